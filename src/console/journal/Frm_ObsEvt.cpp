#include "console/journal/Frm_ObsEvt.h"

#include "console/commun/AmenerDevant.h"
#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "console/commun/MemoireFenetre.h"
#include "console/commun/RaccourcisClavier.h"
#include "console/journal/Frm_DetailEvt.h"
#include "console/journal/Frm_NettoyageEvents.h"
#include "console/journal/ModeleEvenements.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QToolTip>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QPointer<Frm_ObsEvt> g_ouvert;

void legende(QHBoxLayout* ligne, QWidget* parent, int numero, const QIcon& icone, const QString& texte)
{
    auto* image = new QLabel(parent);
    image->setObjectName(QStringLiteral("Image") + QString::number(numero));
    image->setPixmap(icone.pixmap(16, 16));
    auto* label = new QLabel(texte, parent);
    label->setObjectName(QStringLiteral("Label") + QString::number(numero));
    ligne->addWidget(image);
    ligne->addWidget(label);
    ligne->addSpacing(16);
}

QPushButton* bouton(const QString& nom, const QString& texte, QWidget* parent)
{
    auto* b = new QPushButton(texte, parent);
    b->setObjectName(nom);
    b->setAutoDefault(false);
    return b;
}

} // namespace

Frm_ObsEvt::Frm_ObsEvt(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Frm_ObsEvt"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* titre = new QLabel(QStringLiteral("Observateur d'évènements"), this);
    titre->setObjectName(QStringLiteral("Label1"));
    QFont police = titre->font();
    police.setBold(true);
    police.setPointSizeF(police.pointSizeF() * 1.3);
    titre->setFont(police);

    m_modele = new ModeleEvenements(this);
    // A click on a column header sorts on what the column means: dates as dates.
    auto* tri = new QSortFilterProxyModel(this);
    tri->setSourceModel(m_modele);
    tri->setSortRole(ListeConfortable::RoleTri);
    tri->setSortLocaleAware(true);
    m_liste = new QTreeView(this);
    m_liste->setObjectName(QStringLiteral("Lst_Evt"));
    m_liste->setModel(tri);
    m_liste->setRootIsDecorated(false);
    m_liste->setUniformRowHeights(true);
    m_liste->setItemsExpandable(false);
    m_liste->setAllColumnsShowFocus(true);
    m_liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_liste->setSelectionMode(QAbstractItemView::SingleSelection);
    m_liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_liste->setIconSize(QSize(16, 16));
    m_liste->header()->setStretchLastSection(true);
    m_liste->header()->setSectionResizeMode(0, QHeaderView::Fixed);
    m_liste->header()->resizeSection(0, 26);
    m_liste->header()->resizeSection(1, 170);
    ListeConfortable::Preparer(m_liste);
    ListeConfortable::TrierParColonne(m_liste);
    connect(m_liste, &QTreeView::doubleClicked, this, &Frm_ObsEvt::detail);
    OuvrirParEntree(m_liste, [this] { detail(m_liste->currentIndex()); });
    m_liste->viewport()->installEventFilter(this);

    auto* legendes = new QHBoxLayout;
    legende(legendes, this, 2, Icones::Information(), QStringLiteral("Information"));
    legende(legendes, this, 3, Icones::Anomalie(), QStringLiteral("Anomalie"));
    legende(legendes, this, 4, Icones::Avertissement(), QStringLiteral("Avertissement"));
    legendes->addStretch();

    auto* actualiser = bouton(QStringLiteral("Cmd_Actualiser"), QStringLiteral("Actualiser"), this);
    m_nettoyer = bouton(QStringLiteral("Command1"), QStringLiteral("Nettoyer la liste"), this);
    auto* fermer = bouton(QStringLiteral("Cmd_Fermer"), QStringLiteral("Fermer"), this);
    connect(actualiser, &QPushButton::clicked, this, &Frm_ObsEvt::ChargerEvt);
    connect(m_nettoyer, &QPushButton::clicked, this, &Frm_ObsEvt::nettoyer);
    connect(fermer, &QPushButton::clicked, this, &QWidget::close);
    legendes->addWidget(actualiser);
    legendes->addWidget(m_nettoyer);
    legendes->addWidget(fermer);

    auto* colonne = new QVBoxLayout(this);
    colonne->addWidget(titre);
    colonne->addWidget(m_liste, 1);
    colonne->addLayout(legendes);
    resize(780, 480);
    SeSouvenirDeLaFenetre(this);
    FermerParEchap(this);

    ChargerEvt();
}

Frm_ObsEvt* Frm_ObsEvt::Afficher(bool recharger)
{
    if (g_ouvert) {
        if (recharger)
            g_ouvert->ChargerEvt();
    } else {
        g_ouvert = new Frm_ObsEvt;
    }
    AmenerDevant(g_ouvert);
    return g_ouvert;
}

Frm_ObsEvt* Frm_ObsEvt::Instance()
{
    return g_ouvert;
}

void Frm_ObsEvt::ChargerEvt()
{
    ListeConfortable::Remplissage remplissage(m_liste);
    const bool lu = m_modele->Charger();
    // A journal that cannot be read is not an empty one, and there is nothing to clean in it.
    m_liste->setFirstColumnSpanned(0, QModelIndex(), !lu);
    m_liste->setEnabled(lu && m_modele->rowCount() > 0);
    m_nettoyer->setEnabled(lu);
}

void Frm_ObsEvt::detail(const QModelIndex& index)
{
    if (!index.isValid() || !m_modele->Lisible() || m_modele->rowCount() == 0)
        return;
    auto* fenetre = new Frm_DetailEvt(this);
    fenetre->setAttribute(Qt::WA_DeleteOnClose);
    fenetre->Fixer(index.sibling(index.row(), 1).data().toString(), index.sibling(index.row(), 2).data().toString());
    fenetre->open();
}

bool Frm_ObsEvt::messageCoupe(int ligne) const
{
    const QString message = m_liste->model()->index(ligne, 2).data().toString();
    // The item view leaves this margin on each side of a text.
    const int marges = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_liste) + 1);
    return message.contains(QLatin1Char('\n'))
        || m_liste->fontMetrics().horizontalAdvance(message) + marges > m_liste->columnWidth(2);
}

// A message cut off by its column is read whole in the row's tooltip.
bool Frm_ObsEvt::eventFilter(QObject* objet, QEvent* evenement)
{
    if (objet != m_liste->viewport() || evenement->type() != QEvent::ToolTip)
        return QWidget::eventFilter(objet, evenement);
    const auto* aide = static_cast<QHelpEvent*>(evenement);
    const QModelIndex index = m_liste->indexAt(aide->pos());
    if (index.isValid() && m_modele->Lisible() && messageCoupe(index.row()))
        QToolTip::showText(aide->globalPos(), index.sibling(index.row(), 2).data().toString(), m_liste->viewport(),
                           m_liste->visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

void Frm_ObsEvt::nettoyer()
{
    if (!m_modele->Lisible() || m_modele->rowCount() == 0)
        return;
    auto* dialogue = new Frm_NettoyageEvents(this);
    dialogue->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialogue, &QDialog::finished, this, &Frm_ObsEvt::ChargerEvt);
    dialogue->open();
}
