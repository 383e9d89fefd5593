#include "console/commun/ChampHeure.h"

#include "console/commun/RefusSaisie.h"
#include "console/commun/SaisieHeure.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

ChampHeure::ChampHeure(QLineEdit* boite, SiVide siVide) : QObject(boite), m_boite(boite), m_siVide(siVide)
{
    m_boite->setMaxLength(5);
    // The key rules shape typing; the validator holds for paste and drop as well.
    m_boite->setValidator(new QRegularExpressionValidator(SaisieHeure::Motif(), m_boite));
    m_boite->installEventFilter(this);
}

void ChampHeure::Completer()
{
    const QString complete = SaisieHeure::Completer(m_boite->text());
    if (complete.isEmpty() && m_siVide == SiVide::Minuit)
        m_boite->setText(QStringLiteral("00:00"));
    else if (complete != m_boite->text())
        m_boite->setText(complete);
}

bool ChampHeure::eventFilter(QObject* objet, QEvent* evenement)
{
    if (objet == m_boite) {
        if (evenement->type() == QEvent::KeyPress)
            return touche(static_cast<QKeyEvent*>(evenement));
        if (evenement->type() == QEvent::FocusOut)
            Completer();
    }
    return QObject::eventFilter(objet, evenement);
}

// True when the key is consumed.
bool ChampHeure::touche(QKeyEvent* touche)
{
    using SaisieHeure::Decision;
    const int cle = touche->key();
    if (cle == Qt::Key_Backspace) {
        if (!m_boite->hasSelectedText() && SaisieHeure::RetourVide(m_boite->text())) {
            m_boite->clear();
            return true;
        }
        return false;
    }
    if (cle == Qt::Key_Tab || cle == Qt::Key_Backtab || cle == Qt::Key_Return || cle == Qt::Key_Enter
        || cle == Qt::Key_Escape)
        return false;
    if (touche->matches(QKeySequence::Paste) || touche->matches(QKeySequence::Cut)
        || touche->matches(QKeySequence::Undo) || touche->matches(QKeySequence::Redo))
        return true;
    const QString texte = touche->text();
    if (texte.isEmpty() || !texte.at(0).isPrint()
        || (touche->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false; // moving the caret, Delete, copying, selecting, access keys (the validator judges)
    // The rules read the text the key would follow. A key always goes at the end: a selection
    // is replaced with all that follows it, so what stays is the beginning of a time.
    QString avant = m_boite->text();
    if (m_boite->hasSelectedText())
        avant.truncate(m_boite->selectionStart());
    const SaisieHeure::Verdict verdict = SaisieHeure::Caractere(avant, texte.at(0));
    switch (verdict.decision) {
    case Decision::Accepter:
        m_boite->setText(avant + texte.at(0));
        break;
    case Decision::AjouterDeuxPointsPuisAccepter:
        m_boite->setText(avant + QLatin1Char(':') + texte.at(0));
        break;
    case Decision::AjouterDeuxPoints:
        m_boite->setText(avant + QLatin1Char(':'));
        break;
    case Decision::Refuser:
        SignalerRefus(m_boite, verdict.raison);
        return true;
    }
    m_boite->setCursorPosition(int(m_boite->text().size()));
    if (verdict.raison.isEmpty())
        EffacerRefus();
    else
        SignalerRefus(m_boite, verdict.raison);
    return true;
}
