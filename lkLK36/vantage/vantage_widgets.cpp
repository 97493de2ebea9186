#include "lkLK36/vantage/vantage_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

void setText(QLineEdit* edit, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (edit->text() != wanted)
        edit->setText(wanted);
}

void setText(QLabel* label, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (label->text() != wanted)
        label->setText(wanted);
}

void setChecked(QCheckBox* box, bool checked) {
    const QSignalBlocker detached(box);
    box->setChecked(checked);
}

void fillCombo(QComboBox* box, const TlkStringList& items, int chosen) {
    const QSignalBlocker detached(box);
    bool same = box->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < box->count(); ++i)
        same = box->itemText(i).toStdString() == items[static_cast<std::size_t>(i)];
    if (!same) {
        box->clear();
        for (const std::string& item : items)
            box->addItem(QString::fromStdString(item));
    }
    box->setCurrentIndex(chosen >= 0 && chosen < box->count() ? chosen : -1);
}

void AddToFileHistory(QComboBox* box, const QString& text) {
    const QString shown = box->currentText();
    const QSignalBlocker detached(box);
    if (box->count() == 0)
        box->addItem(text);
    else if (box->itemText(0) != text)
        box->insertItem(0, text);
    else
        return;
    // Adding an item may choose it; the box keeps showing what it showed.
    box->setCurrentIndex(-1);
    box->setEditText(shown);
}
