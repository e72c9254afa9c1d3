#pragma once
// A table model that reads a form ListView directly: cell texts, per-cell text
// colours, column alignment and row check boxes.

#include "form/controls.h"

#include <QAbstractTableModel>

namespace mrv::qt
{

class ListModel : public QAbstractTableModel
{
  public:
    explicit ListModel(form::ListView& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    /// Brings rows and columns in line with the list after it changed.
    void SyncRows();
    void SyncColumns();
    /// The column that carries the row check boxes (the first visible one).
    int CheckColumn() const;

  private:
    form::ListView& list_;
    int rows_ = 0;
    int columns_ = 0;
};

} // namespace mrv::qt
