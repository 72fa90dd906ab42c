// The list box's entries: plain strings in one array, shown by a QListView
// with no object per entry.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <vector>

namespace platform::qt {

class ListEntries final : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  void Append(QString entry);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Selectable, never editable.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  std::vector<QString> entries_;
};

}  // namespace platform::qt
