#pragma once
// For tests: a workspace on the non-interactive frame host, with a picture and
// recording on, as a menu command finds it.
#include "core/frame_host.h"
#include "core/workspace.h"

namespace vimbra {

struct Session {
    FrameHost host;
    Workspace ws{host};
    explicit Session(Bitmap image) {
        ws.setImage(std::move(image));
        ws.RecordingActive = true;
    }
};

}  // namespace vimbra
