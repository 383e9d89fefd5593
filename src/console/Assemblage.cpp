#include "Assemblage.h"

#include "core/Messages.h"

Assemblage::Assemblage(QObject* parent)
    : QObject(parent)
{
    Messages::Installer(&Messages_);
    Reseau.Brancher(nullptr, &Console_);
}

Assemblage::~Assemblage()
{
    Messages::Installer(nullptr);
}

void Assemblage::Demarrer(const QString& dossierProgramme, bool autostart)
{
    Reseau.Demarrer(dossierProgramme, autostart);
}
