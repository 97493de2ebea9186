#include "lkLK36/vantage/vantage_tree.h"

// The view paints once when the program next pumps, whatever the write changed, and nothing
// when it changed nothing; so a write needs no painting switched off around it.
VantageTreeWriter::VantageTreeWriter(QTreeWidget* tree, const TlkVantage& vantage)
    : m_tree(tree), m_vantage(vantage) {}

VantageTreeWriter::~VantageTreeWriter() = default;

QTreeWidgetItem* VantageTreeWriter::plain(QTreeWidgetItem* parent, const std::string& text,
                                          bool* changed) {
    const int index = m_next[parent]++;
    QTreeWidgetItem* item = parent ? parent->child(index) : m_tree->topLevelItem(index);
    const QString wanted = QString::fromStdString(text);
    bool differs = false;
    if (!item) {
        item = new QTreeWidgetItem(QStringList{wanted});
        if (parent)
            parent->addChild(item);
        else
            m_tree->addTopLevelItem(item);
        differs = true;
    } else if (item->text(0) != wanted) {
        item->setText(0, wanted);
        differs = true;
    }
    if (changed)
        *changed = differs;
    return item;
}

QTreeWidgetItem* VantageTreeWriter::node(QTreeWidgetItem* parent, std::string_view neutral) {
    return plain(parent, m_vantage.ToDevEnvSyntax(neutral));
}

QTreeWidgetItem* VantageTreeWriter::flagChildren(QTreeWidgetItem* item, bool changed,
                                                 const std::vector<std::string>& children) {
    if (!changed && item->childCount() == static_cast<int>(children.size()))
        return item;
    while (item->childCount() > 0)
        delete item->takeChild(0);
    for (const std::string& child : children)
        item->addChild(new QTreeWidgetItem(QStringList{QString::fromStdString(child)}));
    return item;
}

QTreeWidgetItem* VantageTreeWriter::flagNode(QTreeWidgetItem* parent, std::string_view label,
                                             DWORD value, TlkNameFunction name, DWORD firstBit,
                                             DWORD lastBit) {
    bool changed = false;
    QTreeWidgetItem* item = plain(parent, m_vantage.FlagNodeText(label, value), &changed);
    if (!changed && item->childCount() > 0)
        return item;
    return flagChildren(item, changed, FlagNodeChildren(value, name, firstBit, lastBit));
}

QTreeWidgetItem* VantageTreeWriter::rangeFlagNode(QTreeWidgetItem* parent, std::string_view label,
                                                  DWORD value, TlkNameFunction name, DWORD first,
                                                  DWORD last) {
    bool changed = false;
    QTreeWidgetItem* item = plain(parent, m_vantage.FlagNodeText(label, value), &changed);
    if (!changed && item->childCount() > 0)
        return item;
    return flagChildren(item, changed, RangeFlagNodeChildren(value, name, first, last));
}
