#include "console/menu/Frm_Menu.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/menu/Console.h"
#include "core/Messages.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {

const char* const kLegendes[Frm_Menu::NombreEntrees] = {"Quitter le serveur",
                                                        "Paramètres",
                                                        "Rechercher mises à jour",
                                                        "Suivi de la mise à jour",
                                                        "Réduire le menu",
                                                        "Mises à jour en attente",
                                                        "Observateur d'évenements",
                                                        "Utilisateurs connectés",
                                                        "Historique téléchargements",
                                                        "Télémaintenance",
                                                        "Telnet Serveur"};

// Entries from top to bottom; -1 and -2 are the two separators.
const int kOrdre[] = {7, -1, 2, 8, 3, 5, 6, -2, 10, 9, 1, 4, 0};
// The entries alone, as the keyboard goes through them.
const int kEntreesAffichees[Frm_Menu::NombreEntrees] = {7, 2, 8, 3, 5, 6, 10, 9, 1, 4, 0};

// Why a greyed entry cannot be chosen, in its tooltip.
QString raisonGrisee(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("Impossible tant que des postes sont connectés au serveur (voir « Utilisateurs "
                              "connectés »).");
    case 1:
        return QStringLiteral("L'écran des paramètres est déjà ouvert.");
    case 10:
        return QStringLiteral("Le programme telnet n'est pas installé sur ce serveur.");
    default:
        return QString();
    }
}

QFrame* separateur(const QString& nom)
{
    auto* ligne = new QFrame;
    ligne->setObjectName(nom);
    ligne->setFrameShape(QFrame::HLine);
    ligne->setFrameShadow(QFrame::Sunken);
    return ligne;
}

} // namespace

Frm_Menu::Frm_Menu(Console& console, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint), m_console(console)
{
    setObjectName(QStringLiteral("Frm_Menu"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("QUENTARIS - Serveur"));
    setMouseTracking(true);
    // No control of its own takes the focus: the window does, for the keys of the entries.
    setFocusPolicy(Qt::StrongFocus);
    QFont police(QStringLiteral("Trebuchet MS"));
    setFont(police);

    auto* racine = new QVBoxLayout(this);
    racine->setContentsMargins(6, 6, 6, 6);
    racine->setSpacing(2);

    auto* entete = new QHBoxLayout;
    auto* logo = new QLabel;
    logo->setObjectName(QStringLiteral("Img_Logo"));
    logo->setPixmap(Icones::Serveur().pixmap(32, 32));
    auto* titre = new QLabel(QStringLiteral("QUENTARIS - Serveur"));
    titre->setObjectName(QStringLiteral("Etq_Titre"));
    EnGras(titre);
    entete->addWidget(logo);
    entete->addWidget(titre, 1);
    racine->addLayout(entete);

    auto* compte = new QHBoxLayout;
    auto* label1 = new QLabel(QStringLiteral("Nombre de postes connectés :"));
    label1->setObjectName(QStringLiteral("Label1"));
    m_nbPostes = new QLabel(QStringLiteral("0"));
    m_nbPostes->setObjectName(QStringLiteral("Etq_NbPostes"));
    compte->addWidget(label1);
    compte->addWidget(m_nbPostes, 1);
    racine->addLayout(compte);

    for (int index : kOrdre) {
        if (index == -1)
            racine->addWidget(separateur(QStringLiteral("Frame1")));
        else if (index == -2)
            racine->addWidget(separateur(QStringLiteral("Cdr_Separation")));
        else
            racine->addWidget(creerEntree(index, QString::fromUtf8(kLegendes[index])));
    }
    resize(233, 465);
    for (QWidget* w : {static_cast<QWidget*>(logo), static_cast<QWidget*>(titre), static_cast<QWidget*>(label1),
                       static_cast<QWidget*>(m_nbPostes)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }

    Tim_Minuteur.setObjectName(QStringLiteral("Tim_Minuteur"));
    Tim_Minuteur.setInterval(1500);
    connect(&Tim_Minuteur, &QTimer::timeout, this, &Frm_Menu::EcrireNombrePostes);
    Tim_Minuteur.start();

    if (m_console.ParametresOuverts())
        m_labels[1]->setEnabled(false);
    Actualiser();
}

QFrame* Frm_Menu::creerEntree(int index, const QString& legende)
{
    auto* bande = new QFrame;
    bande->setObjectName(QStringLiteral("Sel_Menu_%1").arg(index));
    bande->setMouseTracking(true);
    bande->setAutoFillBackground(true);
    bande->setProperty("surligne", false);
    bande->setCursor(Qt::PointingHandCursor);
    auto* ligne = new QHBoxLayout(bande);
    ligne->setContentsMargins(4, 3, 4, 3);
    auto* icone = new QLabel;
    icone->setObjectName(QStringLiteral("Img_Prog_%1").arg(index));
    icone->setPixmap(Icones::EntreeMenu(index).pixmap(16, 16));
    // Every icon takes the same room, so that the captions line up.
    icone->setFixedSize(16, 16);
    icone->setAlignment(Qt::AlignCenter);
    icone->setMouseTracking(true);
    auto* label = new QLabel(legende);
    label->setObjectName(QStringLiteral("Etq_Menu_%1").arg(index));
    label->setMouseTracking(true);
    QPalette palette = label->palette();
    // Black in both states; a disabled entry keeps the greyed text of its group.
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    ligne->addWidget(icone);
    ligne->addWidget(label, 1);
    for (QObject* o : {static_cast<QObject*>(bande), static_cast<QObject*>(icone), static_cast<QObject*>(label)})
        o->installEventFilter(this);
    m_bandes[static_cast<std::size_t>(index)] = bande;
    m_labels[static_cast<std::size_t>(index)] = label;
    return bande;
}

void Frm_Menu::Actualiser()
{
    if (!m_console.TelnetDisponible()) {
        m_bandes[10]->setEnabled(false);
        m_labels[10]->setEnabled(false);
        DesactiveMenu(10);
    }
    EcrireNombrePostes();
    VerifConnectes();
}

void Frm_Menu::VerifConnectes()
{
    const bool actif = m_nbPostes->text() == QLatin1String("0");
    if (m_labels[0]->isEnabled() == actif)
        return;
    m_labels[0]->setEnabled(actif);
    if (!actif)
        DesactiveMenu(0);
}

void Frm_Menu::EcrireNombrePostes()
{
    m_nbPostes->setText(QString::number(m_console.PostesConnectes()));
}

void Frm_Menu::ActiveMenu(int index)
{
    QLabel* label = Etq_Menu(index);
    if (!label->isEnabled())
        return;
    QFrame* bande = Sel_Menu(index);
    bande->setProperty("surligne", true);
    QPalette palette = bande->palette();
    palette.setColor(QPalette::Window, QColor(254, 206, 140));
    bande->setPalette(palette);
    QFont police = label->font();
    police.setBold(true);
    label->setFont(police);
}

void Frm_Menu::DesactiveMenu(int index)
{
    QFrame* bande = Sel_Menu(index);
    if (!EstSurligne(index) && !Etq_Menu(index)->font().bold())
        return;
    bande->setProperty("surligne", false);
    bande->setPalette(palette());
    QLabel* label = Etq_Menu(index);
    QFont police = label->font();
    police.setBold(false);
    label->setFont(police);
}

bool Frm_Menu::EstSurligne(int index) const
{
    return Sel_Menu(index)->property("surligne").toBool();
}

void Frm_Menu::survol(int index)
{
    if (EstSurligne(index))
        return;
    for (int i = 0; i < NombreEntrees; ++i) {
        if (i == index && Sel_Menu(i)->isEnabled())
            ActiveMenu(i);
        else
            DesactiveMenu(i);
    }
}

int Frm_Menu::EntreeSurlignee() const
{
    for (int i = 0; i < NombreEntrees; ++i) {
        if (EstSurligne(i))
            return i;
    }
    return -1;
}

void Frm_Menu::deplacerSurlignage(int pas)
{
    const int actuelle = EntreeSurlignee();
    int place = -1;
    for (int p = 0; p < NombreEntrees; ++p) {
        if (kEntreesAffichees[p] == actuelle)
            place = p;
    }
    if (place < 0)
        place = pas > 0 ? -1 : NombreEntrees;
    for (int essai = 0; essai < NombreEntrees; ++essai) {
        place = ((place + pas) % NombreEntrees + NombreEntrees) % NombreEntrees;
        const int index = kEntreesAffichees[place];
        if (Etq_Menu(index)->isEnabled() && Sel_Menu(index)->isEnabled()) {
            survol(index);
            return;
        }
    }
}

void Frm_Menu::keyPressEvent(QKeyEvent* evenement)
{
    switch (evenement->key()) {
    case Qt::Key_Down:
        deplacerSurlignage(1);
        break;
    case Qt::Key_Up:
        deplacerSurlignage(-1);
        break;
    case Qt::Key_Home:
        for (int i = 0; i < NombreEntrees; ++i)
            DesactiveMenu(i);
        deplacerSurlignage(1);
        break;
    case Qt::Key_End:
        for (int i = 0; i < NombreEntrees; ++i)
            DesactiveMenu(i);
        deplacerSurlignage(-1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (EntreeSurlignee() >= 0)
            ActionClick(EntreeSurlignee());
        break;
    case Qt::Key_Escape:
        // As "Réduire le menu".
        ActionClick(4);
        break;
    default:
        if (!choisirParLettre(evenement->text(), evenement->modifiers())) {
            QDialog::keyPressEvent(evenement);
            return;
        }
    }
    evenement->accept();
}

// As in a menu of the desktop: a letter chooses the one enabled entry whose caption starts with
// it, or moves the highlight to the next of several. A stray key never stops the server: the quit
// entry is only highlighted by its letter, and Return chooses it.
bool Frm_Menu::choisirParLettre(const QString& texte, Qt::KeyboardModifiers modificateurs)
{
    if (texte.size() != 1 || !texte.at(0).isLetterOrNumber()
        || (modificateurs & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const QChar lettre = texte.at(0).toUpper();
    QList<int> entrees;
    for (int index : kEntreesAffichees) {
        const QString legende = Etq_Menu(index)->text();
        if (Etq_Menu(index)->isEnabled() && Sel_Menu(index)->isEnabled() && !legende.isEmpty()
            && legende.at(0).toUpper() == lettre)
            entrees.append(index);
    }
    if (entrees.isEmpty())
        return true;
    if (entrees.size() == 1 && entrees.first() != 0) {
        ActionClick(entrees.first());
        return true;
    }
    const int suivante = (entrees.indexOf(EntreeSurlignee()) + 1) % int(entrees.size());
    survol(entrees.at(suivante));
    return true;
}

int Frm_Menu::entreeDe(QObject* objet) const
{
    for (int i = 0; i < NombreEntrees; ++i) {
        const QFrame* bande = m_bandes[static_cast<std::size_t>(i)];
        if (objet == bande || objet->parent() == bande)
            return i;
    }
    return -1;
}

bool Frm_Menu::eventFilter(QObject* objet, QEvent* evenement)
{
    const int index = entreeDe(objet);
    if (index >= 0 && evenement->type() == QEvent::EnabledChange
        && (objet == Etq_Menu(index) || objet == Sel_Menu(index))) {
        const QString raison = Etq_Menu(index)->isEnabled() ? QString() : raisonGrisee(index);
        Etq_Menu(index)->setToolTip(raison);
        Sel_Menu(index)->setToolTip(raison);
    }
    if (index >= 0) {
        if (evenement->type() == QEvent::MouseMove) {
            // Consumed here: the window's own handler would clear the highlight.
            survol(index);
            return true;
        }
        if (evenement->type() == QEvent::Enter) {
            survol(index);
        } else if (evenement->type() == QEvent::MouseButtonRelease
                   && static_cast<QMouseEvent*>(evenement)->button() == Qt::LeftButton) {
            ActionClick(index);
            return true;
        }
    }
    if (index < 0 && evenement->type() == QEvent::MouseMove) {
        for (int i = 0; i < NombreEntrees; ++i)
            DesactiveMenu(i);
    }
    return QDialog::eventFilter(objet, evenement);
}

void Frm_Menu::mouseMoveEvent(QMouseEvent* evenement)
{
    for (int i = 0; i < NombreEntrees; ++i)
        DesactiveMenu(i);
    QDialog::mouseMoveEvent(evenement);
}

void Frm_Menu::ActionClick(int index)
{
    if (index < 0 || index >= NombreEntrees || !Etq_Menu(index)->isEnabled())
        return;
    if (index == 0) {
        if (m_nbPostes->text() != QLatin1String("0")) {
            m_messageOuvert = true;
            Messages::Afficher(this,
                               QStringLiteral("Il est impossible de quitter le serveur d'QUENTARIS lorsque des "
                                              "utilisateurs sont connectés à celui-ci."));
            m_messageOuvert = false;
            m_labels[0]->setEnabled(false);
            DesactiveMenu(0);
            return;
        }
        close();
        m_console.Quitter();
        return;
    }
    if (index == 2) {
        // The manual check closes the menu itself before it starts.
        m_console.Executer(index);
        return;
    }
    close();
    m_console.Executer(index);
}

void Frm_Menu::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow())
        Actualiser();
    else if (isVisible() && !m_messageOuvert && !m_fermeture) {
        emit PerteDeFocus();
        close();
    }
}

void Frm_Menu::closeEvent(QCloseEvent* evenement)
{
    // Closing takes the focus away too; that is no focus lost to another window.
    m_fermeture = true;
    QDialog::closeEvent(evenement);
}

void Frm_Menu::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    Actualiser();
    // Ready for the keyboard: the first enabled entry is highlighted as the pointer would.
    if (EntreeSurlignee() < 0)
        deplacerSurlignage(1);
    setFocus(Qt::ActiveWindowFocusReason);
}

void Frm_Menu::paintEvent(QPaintEvent* evenement)
{
    QDialog::paintEvent(evenement);
    EcrireNombrePostes();
    VerifConnectes();
}
