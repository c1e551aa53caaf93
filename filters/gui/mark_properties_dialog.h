#pragma once
// Text Mark > Properties: the mark's font and the colour its text is drawn
// in, chosen together as a font dialog with a colour does.
#include <QColor>
#include <QDialog>
#include <QFont>

class QFontDialog;
class QPushButton;

namespace vimbra {

class MarkPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    MarkPropertiesDialog(const QFont& font, const QColor& textColor, QWidget* parent = nullptr);

    QFont font() const;
    QColor textColor() const { return color_; }
    void setTextColor(const QColor& color);

    QFontDialog* fontChooser() const { return fonts_; }
    QPushButton* colorButton() const { return colorButton_; }

private:
    void chooseColor();

    QFontDialog* fonts_ = nullptr;
    QPushButton* colorButton_ = nullptr;
    QColor color_;
};

}  // namespace vimbra
