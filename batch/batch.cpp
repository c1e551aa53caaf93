// Anchors the library while its commands are being written.
