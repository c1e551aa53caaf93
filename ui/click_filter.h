#pragma once
// Turns a mouse click on any widget (a colour panel, a label) into a call.
#include <functional>

#include <QEvent>
#include <QObject>

namespace vimbra {

class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> onClick)
        : QObject(parent), onClick_(std::move(onClick)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) onClick_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onClick_;
};

}  // namespace vimbra
