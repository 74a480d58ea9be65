#pragma once
// The rows of the open recording as the Review window lists them: start,
// end, text and mark. Rows without sound (past the end of a short WAV) are
// greyed. The model reads the recording; the window tells it what changed.
#include <QAbstractTableModel>
#include <cstddef>
#include <functional>

namespace study {
class Recording;
}

namespace study::window {

class ReviewRowsModel final : public QAbstractTableModel {
  public:
    enum Column { Start = 0, End, Text, Mark, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // nullptr: no rows.
    void setRecording(const Recording* recording);
    void rowChanged(std::size_t row);
    void allRowsChanged();
    // Called when the user ticks or clears a mark in the list.
    void setMarkSetter(std::function<void(std::size_t row, bool marked)> setter) {
        markSetter_ = std::move(setter);
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  private:
    const Recording* recording_ = nullptr;
    std::function<void(std::size_t, bool)> markSetter_;
};

}  // namespace study::window
