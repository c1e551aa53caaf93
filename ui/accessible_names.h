#pragma once
// Every control a user can reach needs a name for screen readers and GUI
// tests: its caption, or the accessible name taken from the label beside it.
#include <QAbstractButton>
#include <QAccessible>
#include <QHeaderView>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStringList>
#include <QTextEdit>
#include <QWidget>

namespace vimbra {

// The controls under `root` without a name, as "Class objectName" lines.
inline QStringList UnnamedControls(QWidget* root) {
    QStringList out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        // Scroll bars of scroll areas and views belong to their area.
        if (qobject_cast<QAbstractSlider*>(w) && w->parentWidget() &&
            w->parentWidget()->objectName().startsWith(QLatin1String("qt_scrollarea")))
            continue;
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                             qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w);
        if (!control || !w->isVisibleTo(root)) continue;
        // Qt's own parts (the line edit inside a spin box or combo box, the
        // tool bar's extension button) are named through their owner.
        if (w->objectName().startsWith(QLatin1String("qt_"))) continue;
        if (qobject_cast<QLineEdit*>(w) && (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
                                            qobject_cast<QComboBox*>(w->parentWidget())))
            continue;
        // Header sections and the corner button are parts of their table.
        if (qobject_cast<QHeaderView*>(w) || w->inherits("QTableCornerButton")) continue;
        // What a screen reader says: the accessible name, the caption, or the
        // text of the label whose buddy the control is.
        QString name;
        if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w))
            name = a->text(QAccessible::Name);
        if (name.trimmed().isEmpty())
            out << QStringLiteral("%1 %2").arg(QString::fromLatin1(w->metaObject()->className()),
                                               w->objectName());
    }
    return out;
}

}  // namespace vimbra
