#include "filters/gui/mark_properties_dialog.h"

#include <map>

#include <QAbstractItemView>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace vimbra {
namespace {

// The chooser's edit boxes and lists have no names of their own: each takes
// the caption of the label at the top of its column.
void NameUnnamedParts(QFontDialog* chooser) {
    auto* grid = chooser->findChild<QGridLayout*>();
    if (!grid) return;
    std::map<int, QString> captions;
    for (int i = 0; i < grid->count(); ++i) {
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(i, &row, &column, &rows, &columns);
        if (auto* label = qobject_cast<QLabel*>(grid->itemAt(i)->widget()))
            if (!label->text().isEmpty() && !captions.count(column))
                captions[column] = label->text().remove(QLatin1Char('&'));
    }
    for (int i = 0; i < grid->count(); ++i) {
        QWidget* w = grid->itemAt(i)->widget();
        if (!w || !w->accessibleName().isEmpty()) continue;
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractItemView*>(w)) continue;
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(i, &row, &column, &rows, &columns);
        const auto it = captions.find(column);
        if (it != captions.end()) w->setAccessibleName(it->second);
    }
}

}  // namespace

MarkPropertiesDialog::MarkPropertiesDialog(const QFont& font, const QColor& textColor, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Font"));
    setObjectName(QStringLiteral("MarkProperties"));
    // Qt's own font chooser, embedded: a platform dialog could not hold the colour.
    fonts_ = new QFontDialog(font, this);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setCurrentFont(font);
    NameUnnamedParts(fonts_);
    colorButton_ = new QPushButton(QStringLiteral("&Color"), this);
    colorButton_->setObjectName(QStringLiteral("btnColor"));
    connect(colorButton_, &QPushButton::clicked, this, &MarkPropertiesDialog::chooseColor);
    setTextColor(textColor);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(colorButton_);
    row->addStretch(1);
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(row);
}

QFont MarkPropertiesDialog::font() const { return fonts_->currentFont(); }

void MarkPropertiesDialog::setTextColor(const QColor& color) {
    color_ = color;
    QPixmap swatch(16, 16);
    swatch.fill(color);
    colorButton_->setIcon(QIcon(swatch));
}

void MarkPropertiesDialog::chooseColor() {
    const QColor chosen = QColorDialog::getColor(color_, this);
    if (chosen.isValid()) setTextColor(chosen);
}

}  // namespace vimbra
