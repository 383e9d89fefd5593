#pragma once

#include <QObject>

class QKeyEvent;
class QLineEdit;

// Makes a line edit a time box "hh:mm" that takes only what can become a time of day: each key
// follows the typing rules of SaisieHeure and always goes to the end of the text (a selection
// is replaced); a refused key is told beside the box. Leaving the box completes a begun time.
class ChampHeure : public QObject
{
    Q_OBJECT
public:
    enum class SiVide
    {
        Rester, // an empty box stays empty
        Minuit, // an empty box becomes "00:00" when left
    };

    ChampHeure(QLineEdit* boite, SiVide siVide);

    // Completes the text as leaving the box does.
    void Completer();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    bool touche(QKeyEvent* touche);

    QLineEdit* m_boite;
    SiVide m_siVide;
};
