#pragma once
// The application object: errors that escape an event handler reach the
// error handler instead of ending the program unexplained, and an error that
// ends it anyway (std::terminate) still writes the recovery copies.
#include <functional>
#include <string>

#include <QApplication>

namespace vimbra {

class VimbraApplication : public QApplication {
public:
    VimbraApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Called with the message of an error no command caught; without one the
    // message goes to the standard error output.
    std::function<void(const std::string& message)> errorHandler;
    // Last words before an abnormal end (std::terminate): write what can be saved.
    static void setLastWords(std::function<void(const std::string& message)> write);
};

}  // namespace vimbra
