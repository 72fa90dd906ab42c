#include "platform/qt/list_entries.h"

namespace platform::qt {

void ListEntries::Append(QString entry) {
  const int row = static_cast<int>(entries_.size());
  beginInsertRows(QModelIndex(), row, row);
  entries_.push_back(std::move(entry));
  endInsertRows();
}

int ListEntries::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant ListEntries::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
      role != Qt::DisplayRole) {
    return {};
  }
  return entries_[static_cast<std::size_t>(index.row())];
}

Qt::ItemFlags ListEntries::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

}  // namespace platform::qt
