#include "console/parametres/Frm_Proxy.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/MemoireFenetre.h"
#include "console/commun/RefusSaisie.h"
#include "core/Chiffrement.h"
#include "core/Messages.h"
#include "core/TableParametres.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

const QString& plusDe254()
{
    static const QString texte = QStringLiteral("Cette partie de l'adresse IP ne peut pas être supérieure à 254 !");
    return texte;
}

const QString& portHorsLimites()
{
    static const QString texte = QStringLiteral("Le port du serveur proxy est un nombre de 1 à 65535.");
    return texte;
}

// The text a line edit would hold once that character is typed at its caret.
QString apresFrappe(const QLineEdit* boite, QChar c)
{
    QString texte = boite->text();
    int position = boite->cursorPosition();
    if (boite->hasSelectedText()) {
        position = boite->selectionStart();
        texte.remove(position, boite->selectedText().size());
    }
    return texte.insert(position, c);
}

} // namespace

Frm_Proxy::Frm_Proxy(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_Proxy"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* titre
        = Controle<QLabel>(QStringLiteral("Label1"), QStringLiteral("Paramètres du proxy pour la connexion Internet"));
    EnGras(titre);
    auto* message
        = Controle<QLabel>(QStringLiteral("Etq_Message"),
                           QStringLiteral("    Veuillez configurer les zones ci-dessous si vous utilisez un proxy pour "
                                          "vous connecter à internet :"));
    message->setWordWrap(true);

    m_actif = new QCheckBox(QStringLiteral("Serveur proxy activé"));
    m_actif->setObjectName(QStringLiteral("Cac_ActifProxy"));

    m_cadre = new QGroupBox(QStringLiteral(" Informations de connexion "));
    m_cadre->setObjectName(QStringLiteral("Cdr_Proxy"));

    m_zone = new QWidget;
    m_zone->setObjectName(QStringLiteral("Zon_AdresseIP"));
    auto* ligneIp = new QHBoxLayout(m_zone);
    ligneIp->setContentsMargins(0, 0, 0, 0);
    ligneIp->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        QLineEdit* b = Controle<QLineEdit>(QStringLiteral("Txt_IP_%1").arg(i));
        b->setMaxLength(3);
        // Digits only, however the text arrives (keys, paste, drop); 254 is checked on leaving.
        b->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), b));
        b->setFixedWidth(40);
        b->setAlignment(Qt::AlignCenter);
        b->installEventFilter(this);
        connect(b, &QLineEdit::textChanged, this, [this, i](const QString& texte) {
            // A full part moves on to the next box, except while the screen is being filled. The dot
            // a person types after it, typing the address in one go, is then taken as said.
            if (!W_Charge && i < 3 && texte.size() == 3) {
                m_pointAttendu[static_cast<std::size_t>(i + 1)] = true;
                m_ip[static_cast<std::size_t>(i + 1)]->setFocus(Qt::OtherFocusReason);
            }
        });
        m_ip[static_cast<std::size_t>(i)] = b;
        ligneIp->addWidget(b);
        if (i < 3)
            ligneIp->addWidget(Controle<QLabel>(QStringLiteral("Etq_Point%1").arg(i + 1), QStringLiteral(".")));
    }
    ligneIp->addStretch(1);

    m_port = Controle<QLineEdit>(QStringLiteral("Txt_PortProxy"));
    m_port->setMaxLength(5);
    m_port->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_port));
    m_port->installEventFilter(this);
    m_auth = new QCheckBox(QStringLiteral("Le serveur proxy nécessite une identification"));
    m_auth->setObjectName(QStringLiteral("Cac_NecessiteAuth"));
    m_utilisateur = Controle<QLineEdit>(QStringLiteral("Txt_UtilisateurProxy"));
    m_motDePasse = Controle<QLineEdit>(QStringLiteral("Txt_MotDePasseProxy"));
    m_motDePasse->setEchoMode(QLineEdit::Password);
    m_motDePasse->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    auto* grille = new QGridLayout(m_cadre);
    grille->addWidget(Controle<QLabel>(QStringLiteral("Label2"), QStringLiteral("Serveur proxy :")), 0, 0);
    grille->addWidget(m_zone, 0, 1);
    grille->addWidget(Controle<QLabel>(QStringLiteral("Etq_Port"), QStringLiteral("Port :")), 0, 2);
    grille->addWidget(m_port, 0, 3);
    grille->addWidget(m_auth, 1, 0, 1, 4);
    grille->addWidget(Controle<QLabel>(QStringLiteral("Label3"), QStringLiteral("Nom d'utilisateur :")), 2, 0);
    grille->addWidget(m_utilisateur, 2, 1, 1, 3);
    grille->addWidget(Controle<QLabel>(QStringLiteral("Label4"), QStringLiteral("Mot de passe :")), 3, 0);
    grille->addWidget(m_motDePasse, 3, 1, 1, 3);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("Cmd_OK"));
    ok->setAutoDefault(false);
    ok->setDefault(true);
    auto* fermer = new QPushButton(QStringLiteral("Fermer"));
    fermer->setObjectName(QStringLiteral("Cmd_Fermer"));
    fermer->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &Frm_Proxy::enregistrer);
    connect(fermer, &QPushButton::clicked, this, &QWidget::close);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(ok);
    boutons->addWidget(fermer);

    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(message);
    racine->addWidget(m_actif);
    racine->addWidget(m_cadre);
    racine->addLayout(boutons);

    setTabOrder(m_actif, m_ip[0]);
    for (int i = 0; i < 3; ++i)
        setTabOrder(m_ip[static_cast<std::size_t>(i)], m_ip[static_cast<std::size_t>(i + 1)]);
    setTabOrder(m_ip[3], m_port);
    setTabOrder(m_port, m_auth);
    setTabOrder(m_auth, m_utilisateur);
    setTabOrder(m_utilisateur, m_motDePasse);

    connect(m_actif, &QCheckBox::clicked, this, &Frm_Proxy::ActualiserZones);
    connect(m_auth, &QCheckBox::clicked, this, &Frm_Proxy::ActualiserZones);

    ViderZones();
    m_lus = ChargerProxy();
    ActualiserZones();
    SeSouvenirDeLaFenetre(this);
}

void Frm_Proxy::ViderZones()
{
    for (QLineEdit* b : m_ip) {
        b->clear();
        b->setEnabled(false);
    }
    m_port->clear();
    m_utilisateur->clear();
    m_motDePasse->clear();
    m_actif->setChecked(false);
    m_auth->setChecked(false);
}

bool Frm_Proxy::ChargerProxy()
{
    const std::optional<Parametres> lue = TableParametres::LireSur();
    if (!lue)
        return false;
    const Parametres& p = *lue;
    W_Charge = true;
    if (p.Existe) {
        m_actif->setChecked(p.ProxyActifMaj);
        if (p.ProxyActifMaj) {
            // A stored address that is not four parts (it cannot come from this screen) shows empty.
            const QStringList parties = p.AdresseProxyMaj.split(QLatin1Char('.'));
            if (parties.size() == 4) {
                for (int i = 0; i < 4; ++i)
                    m_ip[static_cast<std::size_t>(i)]->setText(parties.at(i));
            }
            m_port->setText(p.PortProxyMaj);
            m_auth->setChecked(p.NecessiteAuthProxyMaj);
            if (p.NecessiteAuthProxyMaj) {
                m_utilisateur->setText(p.UtilisateurProxyMaj);
                m_motDePasse->setText(
                    ChiffrementMotDePasse::Dechiffrer(p.MotDePasseProxyMaj, ChiffrementMotDePasse::Cle()));
            }
        }
    }
    W_Charge = false;
    return true;
}

void Frm_Proxy::DesactiverZones()
{
    for (QLineEdit* b : m_ip)
        b->setEnabled(false);
    m_zone->setEnabled(false);
    m_cadre->setEnabled(false);
    m_auth->setEnabled(false);
    m_port->setEnabled(false);
    m_utilisateur->setEnabled(false);
    m_motDePasse->setEnabled(false);
}

void Frm_Proxy::ActualiserZones()
{
    DesactiverZones();
    if (!m_actif->isChecked())
        return;
    m_cadre->setEnabled(true);
    m_port->setEnabled(true);
    for (QLineEdit* b : m_ip)
        b->setEnabled(true);
    m_zone->setEnabled(true);
    m_auth->setEnabled(true);
    if (m_auth->isChecked()) {
        m_utilisateur->setEnabled(true);
        m_motDePasse->setEnabled(true);
    }
}

QString Frm_Proxy::AdresseSaisie() const
{
    QStringList parties;
    for (const QLineEdit* b : m_ip)
        parties.append(b->text());
    return parties.join(QLatin1Char('.'));
}

void Frm_Proxy::enregistrer()
{
    // A part above 254 keeps the person in its box: the address is not saved as it stands.
    for (int i = 0; i < 4; ++i) {
        const QLineEdit* b = m_ip[static_cast<std::size_t>(i)];
        if (!b->text().isEmpty() && b->text().toInt() > 254) {
            if (!m_verificationPrevue[static_cast<std::size_t>(i)])
                verifierPartie(i);
            return;
        }
    }
    if (!proxyComplet())
        return;
    Parametres p;
    p.ProxyActifMaj = m_actif->isChecked();
    p.AdresseProxyMaj = AdresseSaisie();
    p.PortProxyMaj = m_port->text();
    p.NecessiteAuthProxyMaj = m_auth->isChecked();
    p.UtilisateurProxyMaj = m_utilisateur->text();
    if (!m_motDePasse->text().isEmpty())
        p.MotDePasseProxyMaj = ChiffrementMotDePasse::Chiffrer(m_motDePasse->text(), ChiffrementMotDePasse::Cle());
    // The row created here gets identifier 1 from the counter, which the rest of the server reads.
    // A row that cannot be read is not taken for an absent one, which would add a second row.
    const std::optional<Parametres> lue = TableParametres::LireSur();
    const bool enregistre
        = lue && (lue->Existe ? TableParametres::MettreAJourProxy(p) : TableParametres::InsererProxy(p));
    if (!enregistre) {
        // The screen stays open with what was typed.
        Messages::Afficher(this,
                           QStringLiteral("Les paramètres du proxy n'ont pas pu être enregistrés dans la base de "
                                          "données interne."));
        return;
    }
    close();
}

bool Frm_Proxy::proxyComplet()
{
    // A proxy switched off is saved as shown: it is not used.
    if (!m_actif->isChecked())
        return true;
    for (QLineEdit* b : m_ip) {
        if (b->text().isEmpty()) {
            Messages::Afficher(this,
                               QStringLiteral("L'adresse du serveur proxy est incomplète : ses quatre parties "
                                              "doivent être saisies."));
            b->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    bool nombre = false;
    const int port = m_port->text().toInt(&nombre);
    if (!nombre || port < 1 || port > 65535) {
        Messages::Afficher(this, portHorsLimites());
        m_port->setFocus(Qt::OtherFocusReason);
        m_port->selectAll();
        return false;
    }
    return true;
}

int Frm_Proxy::indexBoite(QObject* objet) const
{
    for (int i = 0; i < 4; ++i) {
        if (objet == m_ip[static_cast<std::size_t>(i)])
            return i;
    }
    return -1;
}

bool Frm_Proxy::eventFilter(QObject* objet, QEvent* evenement)
{
    if (objet == m_port && evenement->type() == QEvent::KeyPress)
        return touchePort(static_cast<QKeyEvent*>(evenement));
    const int index = indexBoite(objet);
    if (index < 0)
        return QDialog::eventFilter(objet, evenement);
    if (evenement->type() == QEvent::KeyPress)
        return toucheAdresse(index, static_cast<QKeyEvent*>(evenement));
    if (evenement->type() == QEvent::FocusOut) {
        m_pointAttendu[static_cast<std::size_t>(index)] = false;
        // Switching to another application is not leaving the box.
        const Qt::FocusReason raison = static_cast<QFocusEvent*>(evenement)->reason();
        bool& prevue = m_verificationPrevue[static_cast<std::size_t>(index)];
        if (raison != Qt::ActiveWindowFocusReason && raison != Qt::PopupFocusReason && !prevue) {
            prevue = true;
            // Checked once the focus has settled, so the message never interrupts the focus change.
            QTimer::singleShot(0, this, [this, index] {
                m_verificationPrevue[static_cast<std::size_t>(index)] = false;
                verifierPartie(index);
            });
        }
    }
    return QDialog::eventFilter(objet, evenement);
}

// True when the key is consumed.
bool Frm_Proxy::toucheAdresse(int index, QKeyEvent* touche)
{
    QLineEdit* b = m_ip[static_cast<std::size_t>(index)];
    const int cle = touche->key();
    const bool pointAttendu = std::exchange(m_pointAttendu[static_cast<std::size_t>(index)], false);
    if (cle == Qt::Key_Backspace) {
        if (b->text().isEmpty() && index > 0) {
            m_ip[static_cast<std::size_t>(index - 1)]->setFocus(Qt::BacktabFocusReason);
            return true;
        }
        return false;
    }
    if (cle == Qt::Key_Tab) {
        if (b->text().isEmpty())
            b->setText(QStringLiteral("0"));
        return false;
    }
    if (cle == Qt::Key_Backtab || cle == Qt::Key_Return || cle == Qt::Key_Enter || cle == Qt::Key_Escape)
        return false;
    if (touche->matches(QKeySequence::Paste)) {
        collerAdresse();
        return true;
    }
    if (touche->matches(QKeySequence::Cut) || touche->matches(QKeySequence::Undo)
        || touche->matches(QKeySequence::Redo))
        return true;
    const QString texte = touche->text();
    if (texte.isEmpty() || (touche->modifiers() & Qt::ControlModifier))
        return false; // moving the caret, copying, selecting
    const QChar c = texte.at(0);
    if (c == QLatin1Char('.') && index < 3) {
        // Already moved on by a full part.
        if (pointAttendu && b->text().isEmpty())
            return true;
        m_ip[static_cast<std::size_t>(index + 1)]->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
        return true;
    // 255 itself is told when the box is left, as every part above 254.
    if (apresFrappe(b, c).toInt() > 255) {
        SignalerRefus(b, plusDe254());
        return true;
    }
    EffacerRefus();
    return false;
}

// A whole dotted address pasted into any box fills the four.
void Frm_Proxy::collerAdresse()
{
    const QStringList parties = QGuiApplication::clipboard()->text().trimmed().split(QLatin1Char('.'));
    const QRegularExpression partie(QStringLiteral("^[0-9]{1,3}$"));
    if (parties.size() != 4
        || !std::all_of(parties.begin(), parties.end(), [&](const QString& p) { return partie.match(p).hasMatch(); }))
        return;
    W_Charge = true;
    for (std::size_t i = 0; i < 4; ++i)
        m_ip[i]->setText(parties.at(int(i)));
    W_Charge = false;
    m_ip[3]->setFocus(Qt::OtherFocusReason);
}

// True when the key is consumed. The port takes digits making a number from 1 to 65535.
bool Frm_Proxy::touchePort(QKeyEvent* touche)
{
    const QString texte = touche->text();
    if (texte.isEmpty() || (touche->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        || !texte.at(0).isPrint())
        return false;
    const QChar c = texte.at(0);
    if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
        SignalerRefus(m_port, portHorsLimites());
        return true;
    }
    const QString apres = apresFrappe(m_port, c);
    if (apres.startsWith(QLatin1Char('0')) || apres.toInt() > 65535) {
        SignalerRefus(m_port, portHorsLimites());
        return true;
    }
    EffacerRefus();
    return false;
}

void Frm_Proxy::verifierPartie(int index)
{
    QLineEdit* b = m_ip[static_cast<std::size_t>(index)];
    if (!isVisible() || b->text().isEmpty() || b->text().toInt() <= 254)
        return;
    QApplication::beep();
    Messages::Afficher(this, plusDe254());
    b->selectAll();
    b->setFocus(Qt::OtherFocusReason);
}
