#pragma once
// A plain script window: the BIP lines being recorded or typed, and Perform.
// While it is open every editing command records its line here.
#include <string>
#include <vector>

#include <QWidget>

class QPlainTextEdit;

namespace vimbra {

class Workspace;

class ScriptWindow : public QWidget {
    Q_OBJECT
public:
    ScriptWindow(Workspace& ws, QWidget* parent = nullptr);

    void appendLine(const QString& line);
    void setScript(const QString& text);
    QString script() const;
    // Lines without their line ends; blank lines kept (the interpreter skips them).
    std::vector<std::string> lines() const;
    int lineCount() const;
    // Changed since it was opened or last set.
    bool isModifiedScript() const;
    QPlainTextEdit* editor() const { return edit_; }

signals:
    void performRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Workspace& ws_;
    QPlainTextEdit* edit_;
};

}  // namespace vimbra
