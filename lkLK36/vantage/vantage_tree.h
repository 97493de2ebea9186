// Writes a monitor tree the way the windows keep them: built whole when empty, afterwards each
// node rewritten in place in the order it was built, so the user's expanded nodes stay expanded.
#pragma once

#include <QTreeWidget>
#include <map>
#include <string>
#include <string_view>

#include "lkLK36/engines/lkLKShare.h"

class VantageTreeWriter {
  public:
    VantageTreeWriter(QTreeWidget* tree, const TlkVantage& vantage);
    ~VantageTreeWriter();
    VantageTreeWriter(const VantageTreeWriter&) = delete;
    VantageTreeWriter& operator=(const VantageTreeWriter&) = delete;

    // The next node under `parent` (null: top level) with a neutral text, converted to the
    // chosen syntax.
    QTreeWidgetItem* node(QTreeWidgetItem* parent, std::string_view neutral);
    // The same with a text shown as it is (constant names).
    QTreeWidgetItem* plain(QTreeWidgetItem* parent, const std::string& text,
                           bool* changed = nullptr);
    // A flag node: label " = [" value "]" and a child per set bit from firstBit to lastBit,
    // named by `name`; the children are rebuilt only when the node's text changed.
    QTreeWidgetItem* flagNode(QTreeWidgetItem* parent, std::string_view label, DWORD value,
                              TlkNameFunction name, DWORD firstBit, DWORD lastBit);
    // The same with a child for every code in [first, last) that shares a bit with the value.
    QTreeWidgetItem* rangeFlagNode(QTreeWidgetItem* parent, std::string_view label, DWORD value,
                                   TlkNameFunction name, DWORD first, DWORD last);

  private:
    QTreeWidgetItem* flagChildren(QTreeWidgetItem* item, bool changed,
                                  const std::vector<std::string>& children);

    QTreeWidget* m_tree;
    const TlkVantage& m_vantage;
    std::map<const QTreeWidgetItem*, int> m_next;
};
