#include "filters/library_failure.h"

#include <string>

#include "core/frame_host.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra {

bool LibraryFailed(Workspace& ws, const char* fallback) {
    std::string text = ImgGetStatus().text;
    if (text.empty()) text = fallback;
    ws.host().StatusReady(ws);
    ws.host().Ask(MessageKind::Error, text, Buttons::Ok);
    ws.CancelRequested = true;
    return false;
}

}  // namespace vimbra
