// The merge list as the table on the merge page sees it: path and size columns, read
// straight from the list, no copy kept.
#pragma once

#include <QAbstractTableModel>

#include "merge/merge_list.h"

namespace orvelle {

class MergeTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    MergeTableModel(const MergeList& list, QObject* parent)
        : QAbstractTableModel(parent), m_list(list) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The list's entries changed; the table reads them again.
    void refresh();

private:
    const MergeList& m_list;
};

}  // namespace orvelle
