#include "ui/TransferActions.h"

#include "store/Data.h"
#include "store/LiveItems.h"
#include "ui/MainWindow.h"
#include "ui/SearchForm.h"
#include "ui/SearchScopeChooser.h"
#include "ui/TransferTree.h"
#include "ui/UserMenu.h"

#include <QDesktopServices>
#include <QMenu>
#include <QTabWidget>
#include <QUrl>

namespace {

std::function<void(const QString&)>& Opener()
{
    static std::function<void(const QString&)> opener;
    return opener;
}

} // namespace

void OpenLocalPath(const QString& path)
{
    if (Opener())
        Opener()(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetLocalPathOpener(std::function<void(const QString&)> opener)
{
    Opener() = std::move(opener);
}

QString SearchTextOf(ItemPtr item)
{
    Type* text = d.HasType("search_request_text");
    if (!item || !text || !item.GetType()->IsRelated(text))
        return QString();
    return item.GetItem("search_request_text").AsString();
}

void RerunSearch(const QString& text)
{
    if (!mainWindow || !mainWindow->Search())
        return;
    if (mainWindow->Search()->StartSearch(text, SearchScopeChooser::All))
        mainWindow->Tabs()->setCurrentWidget(mainWindow->Search());
}

QString NativePath(QString internal)
{
    return internal.replace('\\', '/');
}

void ForEachLive(const std::vector<ItemPtr>& entries, const std::function<void(ItemPtr)>& action)
{
    LiveItems live(&d);
    live.Reserve(entries.size());
    for (ItemPtr entry : entries)
        live.Add(entry.Get());
    for (std::size_t index = 0; index < live.Size(); ++index) {
        if (Item* entry = live[index]) {
            action(ItemPtr(entry));
            live.Settle(index);
        }
    }
}

std::unique_ptr<QMenu> NewRowMenu(const TransferTree& list, const QList<QTreeWidgetItem*>& rows)
{
    TransferRow* first = rows.isEmpty() ? nullptr : TransferTree::AsRow(rows.first());
    if (rows.size() != 1 || first->RowKind() != TransferRow::Kind::User)
        return std::make_unique<QMenu>();
    auto menu = std::make_unique<UserMenu>(list.UserOf(first));
    QObject::connect(menu.get(), &UserMenu::ChatRequested, [](const QString& user) {
        if (mainWindow)
            mainWindow->OpenPrivateChat(user);
    });
    menu->addSeparator();
    return menu;
}
