#include "support/Registre.h"
#include "workstations/IndexConnexions.h"

#include <QTest>

class TstIndexConnexions : public QObject
{
    Q_OBJECT
private slots:
    // Past the largest number, the lowest free one is given; no connection goes without.
    void apresLeMaximum()
    {
        IndexConnexions index;
        for (int i = 1; i <= IndexConnexions::Maximum; ++i)
            QCOMPARE(index.Prendre(), i);
        index.Liberer(7);
        index.Liberer(3);
        QCOMPARE(index.Prendre(), 3);
        QCOMPARE(index.Prendre(), 7);
        QCOMPARE(index.Prendre(), IndexConnexions::Maximum + 1);
        index.Liberer(5);
        QCOMPARE(index.Prendre(), 5);
        QCOMPARE(index.EnUsage(), IndexConnexions::Maximum + 1);

        // Once every connection has gone, numbering starts again at 1.
        for (int i = 1; i <= IndexConnexions::Maximum + 1; ++i)
            index.Liberer(i);
        QCOMPARE(index.Dernier(), 0);
        QCOMPARE(index.Prendre(), 1);
    }

    // A connection closed by the administrator does not start numbering again.
    void sansRecommencer()
    {
        IndexConnexions index;
        index.Prendre();
        index.Prendre();
        index.Liberer(1, false);
        index.Liberer(2, false);
        QCOMPARE(index.Prendre(), 3);
        index.Liberer(3);
        QCOMPARE(index.Prendre(), 1);
    }
};

QUENTARIS_TEST(TstIndexConnexions)
#include "tst_IndexConnexions.moc"
