#include "ui/SizeManager.h"

#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ResizableWindow.h"

#include <QHeaderView>
#include <QSplitter>
#include <QTreeWidget>

SizeManager* sizeManager = nullptr;

namespace {

// Sizes come back from a file on disk: anything outside this range is not a
// size this program wrote and is ignored.
constexpr int MaxRememberedSize = 20000;

bool IsPlausibleWindowSize(int size)
{
    return size > 0 && size <= MaxRememberedSize;
}

// A collapsed pane or a hidden column has size 0.
bool IsPlausibleSectionSize(int size)
{
    return size >= 0 && size <= MaxRememberedSize;
}

bool IsPlausibleCoordinate(int coordinate)
{
    return coordinate >= -MaxRememberedSize && coordinate <= MaxRememberedSize;
}

ItemPtr NamedItem(const char* typeName, const QString& name)
{
    return d.GetType(typeName)->HasItem(Value(name));
}

void SetCoordinate(ItemPtr window, const char* typeName, int value)
{
    window += d.GetType(typeName)->GetItem(Value(value));
}

QList<int> SectionSizes(const QHeaderView* header)
{
    QList<int> sizes;
    for (int section = 0; section < header->count(); ++section)
        sizes.append(header->sectionSize(section));
    return sizes;
}

} // namespace

SizeManager::SizeManager(QObject* parent)
    : QObject(parent)
{
    sizeManager = this;
    DeclareTypes();
}

SizeManager::~SizeManager()
{
    if (sizeManager == this)
        sizeManager = nullptr;
}

void SizeManager::DeclareTypes()
{
    Type* window = d.NewType("sizer_window", Primary, false, true);
    Type* windowWidget = d.NewType("sizer_window_widget", Primary, false, true);
    Type* x = d.NewType("sizer_x", Tertiary, false, true);
    Type* y = d.NewType("sizer_y", Tertiary, false, true);
    Type* width = d.NewType("sizer_width", Tertiary, false, true);
    Type* height = d.NewType("sizer_height", Tertiary, false, true);
    Type* tree = d.NewType("sizer_tree", Primary, false, true);
    Type* treeWidget = d.NewType("sizer_tree_widget", Primary, false, true);
    Type* column = d.NewType("sizer_tree_column", Secondary, true, true);
    Type* columnNumber = d.NewType("sizer_tree_column_number", Tertiary, false, true);
    Type* size = d.NewType("sizer_size", Tertiary, false, true);
    Type* splitter = d.NewType("sizer_splitter", Primary, false, true);
    Type* splitterWidget = d.NewType("sizer_splitter_widget", Primary, false, true);
    Type* pane = d.NewType("sizer_splitter_index", Secondary, true, true);
    Type* paneNumber = d.NewType("sizer_splitter_index_number", Tertiary, false, true);

    // A window has one value of each coordinate; a value item may serve many windows.
    window->RelateToType(windowWidget, One, One, false);
    for (Type* coordinate : {x, y, width, height})
        window->RelateToType(coordinate, Many, One, false);

    tree->RelateToType(treeWidget, One, One, false);
    tree->RelateToType(column, One, Many, false);
    column->RelateToType(columnNumber, Many, One, false);
    column->RelateToType(size, Many, One, false);

    splitter->RelateToType(splitterWidget, One, One, false);
    splitter->RelateToType(pane, One, Many, false);
    pane->RelateToType(paneNumber, Many, One, false);
    pane->RelateToType(size, Many, One, false);

    for (const char* saved : {"sizer_window", "sizer_tree", "sizer_tree_column_number", "sizer_tree_column",
                              "sizer_splitter", "sizer_splitter_index_number", "sizer_splitter_index", "sizer_x",
                              "sizer_y", "sizer_width", "sizer_height", "sizer_size"})
        dataSaver->AddSavedType(saved);
}

void SizeManager::RegisterResizableWindow(const QString& name, ResizableWindow* window)
{
    if (ItemPtr remembered = NamedItem("sizer_window", name)) {
        const int x = remembered["sizer_x"].AsInt();
        const int y = remembered["sizer_y"].AsInt();
        const int width = remembered["sizer_width"].AsInt();
        const int height = remembered["sizer_height"].AsInt();
        if (remembered["sizer_x"] && remembered["sizer_y"] && IsPlausibleCoordinate(x) && IsPlausibleCoordinate(y))
            window->SetPosition(x, y);
        if (IsPlausibleWindowSize(width) && IsPlausibleWindowSize(height))
            window->SetSize(width, height);
    }
    d.GetType("sizer_window")->GetItem(Value(name)) += d.GetType("sizer_window_widget")->GetItem(Value(window));
    connect(window, &ResizableWindow::WindowResized, this, &SizeManager::OnWindowResized);
    connect(window, &ResizableWindow::WindowMoved, this, &SizeManager::OnWindowMoved);
    connect(window, &QObject::destroyed, this, &SizeManager::OnWindowDestroyed);
}

void SizeManager::RegisterTreeWidget(const QString& name, QTreeWidget* tree)
{
    QHeaderView* header = tree->header();
    if (ItemPtr remembered = NamedItem("sizer_tree", name)) {
        for (const auto& [section, size] :
             StoredSizes(remembered, "sizer_tree_column", "sizer_tree_column_number", header->count()))
            header->resizeSection(section, size);
    }
    d.GetType("sizer_tree")->GetItem(Value(name)) += d.GetType("sizer_tree_widget")->GetItem(Value(tree));
    connect(header, &QHeaderView::sectionResized, this, &SizeManager::OnTreeColumnResizedMoved);
    connect(header, &QHeaderView::sectionMoved, this, &SizeManager::OnTreeColumnResizedMoved);
    connect(tree, &QObject::destroyed, this, &SizeManager::OnTreeDestroyed);
}

void SizeManager::RegisterSplitter(const QString& name, QSplitter* splitter, const QList<int>& defaultSizes)
{
    QList<int> sizes = defaultSizes;
    if (ItemPtr remembered = NamedItem("sizer_splitter", name)) {
        const int count = splitter->count();
        while (sizes.size() < count)
            sizes.append(sizes.isEmpty() ? 1 : sizes.last());
        for (const auto& [pane, size] :
             StoredSizes(remembered, "sizer_splitter_index", "sizer_splitter_index_number", count))
            sizes[pane] = size;
    }
    if (!sizes.isEmpty())
        splitter->setSizes(sizes);
    d.GetType("sizer_splitter")->GetItem(Value(name)) += d.GetType("sizer_splitter_widget")->GetItem(Value(splitter));
    connect(splitter, &QSplitter::splitterMoved, this, &SizeManager::OnSplitterMoved);
    connect(splitter, &QObject::destroyed, this, &SizeManager::OnSplitterDestroyed);
}

void SizeManager::ForgetTreeWidget(const QString& name)
{
    if (ItemPtr remembered = NamedItem("sizer_tree", name))
        remembered.Remove();
}

void SizeManager::OnWindowResized(int width, int height)
{
    ItemPtr window = NamedItemOfWidget("sizer_window_widget", "sizer_window", sender());
    if (!window)
        return;
    SetCoordinate(window, "sizer_width", width);
    SetCoordinate(window, "sizer_height", height);
}

void SizeManager::OnWindowMoved(int x, int y)
{
    ItemPtr window = NamedItemOfWidget("sizer_window_widget", "sizer_window", sender());
    if (!window)
        return;
    SetCoordinate(window, "sizer_x", x);
    SetCoordinate(window, "sizer_y", y);
}

void SizeManager::OnWindowDestroyed(QObject* window)
{
    RemoveWidgetLink("sizer_window_widget", window);
}

void SizeManager::OnTreeColumnResizedMoved(int, int, int)
{
    auto* header = qobject_cast<QHeaderView*>(sender());
    if (!header)
        return;
    ItemPtr tree = NamedItemOfWidget("sizer_tree_widget", "sizer_tree", header->parent());
    if (tree)
        StoreSizes(tree, "sizer_tree_column", "sizer_tree_column_number", SectionSizes(header));
}

void SizeManager::OnSplitterMoved(int, int)
{
    auto* splitter = qobject_cast<QSplitter*>(sender());
    if (!splitter)
        return;
    ItemPtr remembered = NamedItemOfWidget("sizer_splitter_widget", "sizer_splitter", splitter);
    if (remembered)
        StoreSizes(remembered, "sizer_splitter_index", "sizer_splitter_index_number", splitter->sizes());
}

void SizeManager::OnTreeDestroyed(QObject* tree)
{
    RemoveWidgetLink("sizer_tree_widget", tree);
}

void SizeManager::OnSplitterDestroyed(QObject* splitter)
{
    RemoveWidgetLink("sizer_splitter_widget", splitter);
}

ItemPtr SizeManager::NamedItemOfWidget(const char* widgetTypeName, const char* namedTypeName,
                                       const QObject* widget) const
{
    return d.GetType(widgetTypeName)->HasItem(Value(widget))[namedTypeName];
}

void SizeManager::RemoveWidgetLink(const char* widgetTypeName, const QObject* widget)
{
    // The store may already be gone when the last widgets die at exit.
    Type* type = d.HasType(widgetTypeName);
    if (!type)
        return;
    if (ItemPtr link = type->HasItem(Value(widget)))
        link.Remove();
}

void SizeManager::StoreSizes(ItemPtr owner, const char* entryTypeName, const char* numberTypeName,
                             const QList<int>& sizes)
{
    QVector<ItemPtr> entries(sizes.size());
    for (ItemPtr entry : owner.GetItems(entryTypeName)) {
        const int number = entry[numberTypeName].AsInt();
        if (number >= 0 && number < entries.size() && !entries[number])
            entries[number] = entry;
    }
    Type* numberType = d.GetType(numberTypeName);
    Type* sizeType = d.GetType("sizer_size");
    for (int number = 0; number < sizes.size(); ++number) {
        ItemPtr entry = entries[number];
        if (!entry) {
            entry = owner.NewItem(entryTypeName);
            entry += numberType->GetItem(Value(number));
        }
        entry += sizeType->GetItem(Value(sizes[number]));
    }
}

QList<QPair<int, int>> SizeManager::StoredSizes(ItemPtr owner, const char* entryTypeName, const char* numberTypeName,
                                                int count) const
{
    QList<QPair<int, int>> sizes;
    for (ItemPtr entry : owner.GetItems(entryTypeName).SortNumericBy(numberTypeName, true)) {
        const int number = entry[numberTypeName].AsInt();
        const int size = entry["sizer_size"].AsInt();
        if (number >= 0 && number < count && entry["sizer_size"] && IsPlausibleSectionSize(size))
            sizes.append({number, size});
    }
    return sizes;
}
