#pragma once
// The scroll box around the picture; at k times its viewport may give up a
// few pixels on the left and top so that it shows whole picture pixels.
#include <QScrollArea>

namespace vimbra {

class ViewBox : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    void setRemainder(const QMargins& m) {
        if (viewportMargins() != m) setViewportMargins(m);
    }
    QMargins remainder() const { return viewportMargins(); }
};

}  // namespace vimbra
