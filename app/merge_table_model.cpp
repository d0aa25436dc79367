#include "merge_table_model.h"
#include "path_text.h"

namespace orvelle {

int MergeTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.count());
}

int MergeTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant MergeTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const MergeEntry& entry = m_list.entries()[index.row()];
    if (role == Qt::DisplayRole)
        return index.column() == 0 ? pathText(entry.path) : QString::fromStdString(entry.sizeText);
    // The columns are narrow for long paths and page counts: the whole row on hovering.
    if (role == Qt::ToolTipRole) return pathText(entry.path) + "\n" + QString::fromStdString(entry.sizeText);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (index.column() == 0 ? Qt::AlignLeft : Qt::AlignHCenter));
    return {};
}

QVariant MergeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? tr("路径及文件名") : tr("图片尺寸");
}

void MergeTableModel::refresh() {
    beginResetModel();
    endResetModel();
}

}  // namespace orvelle
