#pragma once
// The progress window of long runs (batch conversion, extraction, thumbnails):
// a status line and two bars, with a Cancel button that asks the run to stop.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vimbra {

class Workspace;

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(Workspace& ws, QWidget* parent = nullptr);

    // Shows the window (not modal, stays on top) titled caption; the status
    // line goes back to "One moment ...".
    void ShowStatusWindow(const QString& caption);
    // The status line (drawn on one line, long paths elided in the middle) and
    // the two bar labels; an empty label keeps its current text.
    void LabelText(const QString& status, const QString& first, const QString& second);
    // Bars run 0..100.
    void setProgress(int first, int second);

    QString statusText() const { return status_; }
    QLabel* statusLabel() const { return statusLine_; }
    QProgressBar* firstBar() const { return bar1_; }
    QProgressBar* secondBar() const { return bar2_; }
    QPushButton* cancelButton() const { return btnCancel_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;

private:
    void requestCancel();
    void elide();

    Workspace& ws_;
    QString status_;
    QLabel *statusLine_, *label1_, *label2_;
    QProgressBar *bar1_, *bar2_;
    QPushButton* btnCancel_;
};

}  // namespace vimbra
