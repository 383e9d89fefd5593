#pragma once

#include <QDialog>
#include <QTimer>
#include <array>

class Console;
class QFrame;
class QLabel;

// The tray menu: the count of connected workstations and eleven entries, beside the panel.
// It takes the keyboard when it opens: Up, Down, Home and End move the highlight over the
// enabled entries, Return or Space chooses the highlighted one, a letter chooses or moves to
// the entries starting with it, Escape closes the menu. A greyed entry says why in its tooltip.
class Frm_Menu : public QDialog
{
    Q_OBJECT
public:
    static constexpr int NombreEntrees = 11;

    explicit Frm_Menu(Console& console, QWidget* parent = nullptr);

    // Writes the count of connected workstations, enables the quit entry accordingly and
    // greys the telnet entry when telnet is missing.
    void Actualiser();
    void EcrireNombrePostes();
    // Enables the quit entry when the count shown is 0, disables it otherwise.
    void VerifConnectes();
    void ActionClick(int index);
    void ActiveMenu(int index);
    void DesactiveMenu(int index);
    bool EstSurligne(int index) const;
    // The highlighted entry, or -1.
    int EntreeSurlignee() const;
    QLabel* Etq_Menu(int index) const { return m_labels.at(static_cast<std::size_t>(index)); }
    QFrame* Sel_Menu(int index) const { return m_bandes.at(static_cast<std::size_t>(index)); }

    QTimer Tim_Minuteur;

signals:
    // The menu closes itself because another window took the focus.
    void PerteDeFocus();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    void mouseMoveEvent(QMouseEvent* evenement) override;
    void keyPressEvent(QKeyEvent* evenement) override;
    void changeEvent(QEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;
    void closeEvent(QCloseEvent* evenement) override;
    void paintEvent(QPaintEvent* evenement) override;

private:
    QFrame* creerEntree(int index, const QString& legende);
    void survol(int index);
    // Highlights the enabled entry `pas` places from the highlighted one in the order shown,
    // going round; from none, the first (forwards) or the last (backwards).
    void deplacerSurlignage(int pas);
    int entreeDe(QObject* objet) const;
    // True when the key was a letter, whether or not an entry starts with it.
    bool choisirParLettre(const QString& texte, Qt::KeyboardModifiers modificateurs);

    Console& m_console;
    QLabel* m_nbPostes = nullptr;
    std::array<QFrame*, NombreEntrees> m_bandes{};
    std::array<QLabel*, NombreEntrees> m_labels{};
    bool m_messageOuvert = false;
    bool m_fermeture = false;
};
