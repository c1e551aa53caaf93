// Anchors the library while its codecs are being written.
