#include "ui/SearchResultRow.h"

#include "shares/SharedFoldersManager.h"
#include "ui/SizeText.h"

#include <QHeaderView>
#include <QTreeWidget>

UserStanding UserStanding::Of(ItemPtr results)
{
    UserStanding standing;
    standing.name = results.GetItem("user").AsString();
    standing.available = results.GetItem("search_results_user_available").GetValue().Bytes() == "yes";
    standing.queue = results.GetItem("search_results_uploads_in_queue").AsUInt();
    standing.speed = results.GetItem("search_results_user_speed").AsUInt();
    return standing;
}

int CompareByAvailability(const UserStanding& a, const UserStanding& b)
{
    if (a.available != b.available)
        return a.available ? 1 : -1;
    if (!a.available && a.queue != b.queue)
        return a.queue < b.queue ? 1 : -1;
    if (a.speed != b.speed)
        return a.speed > b.speed ? 1 : -1;
    return -a.name.compare(b.name);
}

int CompareBySpeed(const UserStanding& a, const UserStanding& b)
{
    if (a.speed != b.speed)
        return a.speed > b.speed ? 1 : -1;
    return -a.name.compare(b.name, Qt::CaseInsensitive);
}

void SearchResultRow::ShowStanding()
{
    setText(UserColumn, standing.name);
    if (RowKind() == UserRow)
        key = standing.name;
    setText(FreeColumn, standing.available ? QStringLiteral("Y") : QString::number(standing.queue));
    setText(SpeedColumn, standing.speed == 0 ? QString() : QString::number(standing.speed / 1024.0, 'f', 1));
    setTextAlignment(FreeColumn, Qt::AlignCenter);
    setTextAlignment(SpeedColumn, Qt::AlignRight | Qt::AlignVCenter);
}

void SearchResultRow::ShowResult()
{
    size = result.GetItem("file_size").AsUInt64();
    if (RowKind() == FlatRow)
        setText(FolderColumn, result.GetItem("search_result_file_folder").AsString());
    setText(FileColumn, result.GetItem("search_result_file_name").AsString());
    setText(SizeColumn, SizeText(size));
    setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    setText(AttributesColumn, SharedFoldersManager::GetFileItemDisplayString(result));
    key = RowKind() == FlatRow ? text(FolderColumn) + QLatin1Char('\\') + text(FileColumn) : text(FileColumn);
}

QString SearchResultRow::Folder() const
{
    return RowKind() == FileRow && parent() ? parent()->text(FolderColumn) : text(FolderColumn);
}

bool SearchResultRow::operator<(const QTreeWidgetItem& other) const
{
    if (type() != other.type())
        return type() < other.type();
    const auto& row = static_cast<const SearchResultRow&>(other);
    const QTreeWidget* tree = treeWidget();
    const int column = tree ? tree->sortColumn() : int(FreeColumn);
    const bool descending = !tree || tree->header()->sortIndicatorOrder() == Qt::DescendingOrder;
    const bool ranked = RowKind() == UserRow || RowKind() == FlatRow;
    if (ranked && (column == FreeColumn || column == SpeedColumn)) {
        const int rank = column == FreeColumn ? CompareByAvailability(standing, row.standing)
                                              : CompareBySpeed(standing, row.standing);
        if (rank != 0)
            return rank < 0;
    } else if (column == SizeColumn && RowKind() != UserRow && RowKind() != FolderRow) {
        if (size != row.size)
            return size < row.size;
    } else if (column != FreeColumn && column != SpeedColumn && column != SizeColumn) {
        const int order = text(column).compare(row.text(column), Qt::CaseInsensitive);
        if (order != 0)
            return order < 0;
    }
    // Alphabetical whichever way the tab sorts.
    const int order = key.compare(row.key, Qt::CaseInsensitive);
    return descending ? order > 0 : order < 0;
}
