#include "ClientHome.h"

#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/SizeManager.h"

#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// The managers of one client run, on an empty store.
struct Run
{
    Run()
    {
        d.Clear();
        saver = std::make_unique<DataSaver>();
        sizes = std::make_unique<SizeManager>();
    }
    ~Run()
    {
        sizes.reset();
        saver.reset();
        d.Clear();
    }
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<SizeManager> sizes;
};

std::unique_ptr<QTreeWidget> NewTree()
{
    auto tree = std::make_unique<QTreeWidget>();
    tree->setHeaderLabels({"User", "File", "Size"});
    tree->header()->setStretchLastSection(false);
    for (int column = 0; column < 3; ++column)
        tree->header()->resizeSection(column, 80);
    return tree;
}

std::unique_ptr<QSplitter> NewSplitter()
{
    auto splitter = std::make_unique<QSplitter>();
    splitter->addWidget(new QLabel("left"));
    splitter->addWidget(new QLabel("right"));
    splitter->resize(600, 200);
    splitter->show();
    return splitter;
}

QList<int> SectionSizes(const QTreeWidget& tree)
{
    QList<int> sizes;
    for (int column = 0; column < tree.header()->count(); ++column)
        sizes.append(tree.header()->sectionSize(column));
    return sizes;
}

} // namespace

class SizeManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void treeColumnsSurviveRestart();
    void forgottenTreeStartsFromDefaults();
    void splitterSizesSurviveRestart();
    void implausibleStoredSizesAreIgnored();
    void destroyedWidgetsKeepTheirSizes();
};

void SizeManagerTest::treeColumnsSurviveRestart()
{
    ClientHome home;
    {
        Run run;
        auto tree = NewTree();
        sizeManager->RegisterTreeWidget("transfers", tree.get());
        // Nothing remembered under this name: the defaults stand.
        QCOMPARE(SectionSizes(*tree), QList<int>({80, 80, 80}));
        tree->header()->resizeSection(1, 150);
        tree->header()->resizeSection(1, 170);
        QCOMPARE(g("sizer_tree_column").Size(), size_t(3));
        run.saver->Save(home.ConfigurationPath());
    }
    Run run;
    run.saver->Load(home.ConfigurationPath());
    auto tree = NewTree();
    sizeManager->RegisterTreeWidget("transfers", tree.get());
    QCOMPARE(SectionSizes(*tree), QList<int>({80, 170, 80}));
    // Another name is another tree.
    auto other = NewTree();
    sizeManager->RegisterTreeWidget("search", other.get());
    QCOMPARE(SectionSizes(*other), QList<int>({80, 80, 80}));
}

void SizeManagerTest::forgottenTreeStartsFromDefaults()
{
    ClientHome home;
    Run run;
    {
        auto tree = NewTree();
        sizeManager->RegisterTreeWidget("results", tree.get());
        tree->header()->resizeSection(0, 200);
    }
    sizeManager->ForgetTreeWidget("results");
    d.RemoveDisconnectedItems();
    QVERIFY(g("sizer_tree_column").Empty());
    auto tree = NewTree();
    sizeManager->RegisterTreeWidget("results", tree.get());
    QCOMPARE(SectionSizes(*tree), QList<int>({80, 80, 80}));
}

void SizeManagerTest::splitterSizesSurviveRestart()
{
    ClientHome home;
    QList<int> moved;
    {
        Run run;
        auto splitter = NewSplitter();
        sizeManager->RegisterSplitter("chat", splitter.get(), {400, 200});
        // Nothing remembered: the defaults, as the splitter fits them to its width.
        auto reference = NewSplitter();
        reference->setSizes({400, 200});
        QCOMPARE(splitter->sizes(), reference->sizes());
        splitter->setSizes({150, 450});
        moved = splitter->sizes();
        emit splitter->splitterMoved(moved.first(), 1);
        run.saver->Save(home.ConfigurationPath());
    }
    Run run;
    run.saver->Load(home.ConfigurationPath());
    auto splitter = NewSplitter();
    sizeManager->RegisterSplitter("chat", splitter.get(), {400, 200});
    QCOMPARE(splitter->sizes(), moved);
}

void SizeManagerTest::implausibleStoredSizesAreIgnored()
{
    ClientHome home;
    Run run;
    // As a damaged or foreign file could leave them.
    ItemPtr remembered = d.GetType("sizer_tree")->GetItem("transfers");
    const struct
    {
        int number;
        int size;
    } entries[] = {{0, -40}, {1, 99999999}, {7, 120}, {-1, 120}, {2, 95}};
    for (const auto& entry : entries) {
        ItemPtr column = remembered.NewItem("sizer_tree_column");
        column += d.GetType("sizer_tree_column_number")->GetItem(Value(entry.number));
        column += d.GetType("sizer_size")->GetItem(Value(entry.size));
    }
    auto tree = NewTree();
    sizeManager->RegisterTreeWidget("transfers", tree.get());
    QCOMPARE(SectionSizes(*tree), QList<int>({80, 80, 95}));
}

void SizeManagerTest::destroyedWidgetsKeepTheirSizes()
{
    ClientHome home;
    Run run;
    {
        auto tree = NewTree();
        sizeManager->RegisterTreeWidget("users", tree.get());
        tree->header()->resizeSection(2, 60);
        QCOMPARE(g("sizer_tree_widget").Size(), size_t(1));
    }
    QVERIFY(g("sizer_tree_widget").Empty());
    d.RemoveDisconnectedItems();
    auto tree = NewTree();
    sizeManager->RegisterTreeWidget("users", tree.get());
    QCOMPARE(SectionSizes(*tree), QList<int>({80, 80, 60}));
}

QTEST_MAIN(SizeManagerTest)
#include "tst_sizemanager.moc"
