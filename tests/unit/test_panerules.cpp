#include "app/PaneRules.h"

#include <QTest>

class TestPaneRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void upperPaneIsCutBack_data();
    void upperPaneIsCutBack();
    void splitterDrag_data();
    void splitterDrag();
    void lowerPaneCap();
};

void TestPaneRules::upperPaneIsCutBack_data()
{
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("client");
    QTest::addColumn<int>("expected");
    QTest::newRow("fits") << 200 << 452 << 200;
    QTest::newRow("exactly at the limit") << 249 << 452 << 249;
    QTest::newRow("design height in design client") << 250 << 452 << 249;
    QTest::newRow("saved height too high") << 600 << 500 << 297;
    QTest::newRow("client smaller than the lower minimum") << 150 << 150 << 0;
}

void TestPaneRules::upperPaneIsCutBack()
{
    QFETCH(int, upper);
    QFETCH(int, client);
    QFETCH(int, expected);
    QCOMPARE(PaneRules::fixedUpperPaneHeight(upper, client, 3), expected);
    QVERIFY(PaneRules::upperPaneLimit(client, 3) >= 0);
}

void TestPaneRules::splitterDrag_data()
{
    QTest::addColumn<int>("newSize");
    QTest::addColumn<bool>("accepted");
    // Client height 452, splitter 3: 249 leaves exactly 200 below.
    QTest::newRow("leaves more than 200") << 100 << true;
    QTest::newRow("leaves exactly 200") << 249 << true;
    QTest::newRow("leaves 199") << 250 << false;
    QTest::newRow("to the bottom") << 452 << false;
}

void TestPaneRules::splitterDrag()
{
    QFETCH(int, newSize);
    QFETCH(bool, accepted);
    QCOMPARE(PaneRules::splitterCanResize(newSize, 452, 3), accepted);
}

void TestPaneRules::lowerPaneCap()
{
    // The lower pane may take all but the upper pane's minimum and the splitter.
    QCOMPARE(PaneRules::fixedLowerPaneHeight(400, 452, 140, 3), 309);
    QCOMPARE(PaneRules::fixedLowerPaneHeight(200, 452, 140, 3), 200);
}

QTEST_APPLESS_MAIN(TestPaneRules)
#include "test_panerules.moc"
