#include "study/window/ReviewRowsModel.h"

#include <QBrush>
#include <QPalette>

#include "study/model/Recording.h"
#include "study/script/TimeText.h"

namespace study::window {

void ReviewRowsModel::setRecording(const Recording* recording) {
    beginResetModel();
    recording_ = recording;
    endResetModel();
}

void ReviewRowsModel::rowChanged(std::size_t row) {
    const int r = static_cast<int>(row);
    Q_EMIT dataChanged(index(r, 0), index(r, ColumnCount - 1));
}

void ReviewRowsModel::allRowsChanged() {
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }
}

int ReviewRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || recording_ == nullptr ? 0 : static_cast<int>(recording_->rowCount());
}

int ReviewRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ReviewRowsModel::data(const QModelIndex& index, int role) const {
    if (recording_ == nullptr || !index.isValid()) {
        return {};
    }
    const auto i = static_cast<std::size_t>(index.row());
    const StudyRow& row = recording_->row(i);
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case Start:
                    return QString::fromStdString(formatCentiseconds(row.startCs));
                case End:
                    return QString::fromStdString(formatCentiseconds(row.endCs));
                case Text:
                    return QString::fromStdString(row.text);
                default:
                    return {};
            }
        case Qt::CheckStateRole:
            if (index.column() == Mark) {
                return row.marked ? Qt::Checked : Qt::Unchecked;
            }
            return {};
        case Qt::AccessibleTextRole:
            if (index.column() == Mark) {
                return row.marked ? tr("marked") : tr("not marked");
            }
            return data(index, Qt::DisplayRole);
        case Qt::ForegroundRole:
            if (recording_->hasSound() && !recording_->playable(i)) {
                return QPalette().brush(QPalette::Disabled, QPalette::Text);
            }
            return {};
        case Qt::ToolTipRole:
            if (recording_->hasSound() && !recording_->playable(i)) {
                return tr("This row lies past the end of the sound.");
            }
            return {};
        default:
            return {};
    }
}

QVariant ReviewRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    switch (section) {
        case Start:
            return tr("Start");
        case End:
            return tr("End");
        case Text:
            return tr("Text");
        case Mark:
            return tr("Mark");
        default:
            return {};
    }
}

Qt::ItemFlags ReviewRowsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Mark) {
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

bool ReviewRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != Mark || role != Qt::CheckStateRole || !markSetter_) {
        return false;
    }
    markSetter_(static_cast<std::size_t>(index.row()),
                value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

}  // namespace study::window
