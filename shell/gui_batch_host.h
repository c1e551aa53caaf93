#pragma once
// A BIP run driven from the main window: questions as message boxes, SAVE
// through the Save Image As dialog (or silently as BMP), loads through the
// viewer's open, and Esc or a click on the picture stopping the run.
#include "batch/batch_host.h"

namespace vimbra {

class MainWindow;

class GuiBatchHost final : public BatchHost {
public:
    explicit GuiBatchHost(MainWindow& form) : form_(form) {}

    std::vector<std::string> scriptLines() override;
    Choice ask(MessageKind kind, std::string_view text, ChoiceSet choices) override;
    bool loadFile(Workspace& ws, const std::string& path, LoadReason reason) override;
    BatchSaveResult save(Workspace& ws, const SaveRequest& request) override;
    std::string lastSaveFolder() const override;
    bool lastSaveTypeIsBmp() const override;
    bool deleteFile(const std::string& path) override;
    void processEvents(Workspace& ws) override;
    void sleepMs(int milliseconds) override;
    void refreshView(Workspace& ws) override;
    void updateCaption(Workspace& ws) override;
    void showPath(const std::string& path) override;
    void showMainWindow() override;
    void forgetUndo(Workspace& ws) override;
    void setUndoBitDepth(Workspace& ws, int depth) override;

private:
    MainWindow& form_;
};

}  // namespace vimbra
