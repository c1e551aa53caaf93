#include "filters/library_failure.h"

#include <string>

#include "core/frame_host.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra {

std::string LibraryFailureText(std::string_view fallback) {
    std::string text = ImgGetStatus().text;
    return text.empty() ? std::string(fallback) : text;
}

bool ShowLibraryFailure(Workspace& ws, const std::string& text) {
    ws.host().StatusReady(ws);
    ws.host().Ask(MessageKind::Error, text, Buttons::Ok);
    ws.CancelRequested = true;
    return false;
}

bool LibraryFailed(Workspace& ws, std::string_view fallback) {
    return ShowLibraryFailure(ws, LibraryFailureText(fallback));
}

}  // namespace vimbra
