// What every monitor window's refresh routines write with: each shows a value without driving the
// control (signals blocked where a widget would report the change) and touches a widget only when
// what it shows differs, so a refresh repaints nothing that stayed the same.
#pragma once

#include <string>

#include "lkLK36/engines/lkLKShare.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QString;

void setText(QLineEdit* edit, const std::string& text);
void setText(QLabel* label, const std::string& text);
void setChecked(QCheckBox* box, bool checked);
// A combo box's items, rewritten only when they changed, and the chosen one (none when out of
// range).
void fillCombo(QComboBox* box, const TlkStringList& items, int chosen);
// A file box's history after `text` was used: put on top unless it is the top entry already
// (letter case counts). The box's text stays as it was.
void AddToFileHistory(QComboBox* box, const QString& text);
