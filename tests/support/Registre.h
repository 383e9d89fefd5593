#pragma once

#include <QObject>
#include <functional>
#include <vector>

// Test classes register themselves; the shared main runs them all, or the one named on
// the command line.
namespace Registre {

struct Entree
{
    const char* nom;
    std::function<QObject*()> creer;
};

std::vector<Entree>& Tests();

struct Enregistrement
{
    Enregistrement(const char* nom, std::function<QObject*()> creer);
};

} // namespace Registre

#define QUENTARIS_TEST(Classe)                                                                                         \
    static Registre::Enregistrement enregistrement_##Classe(#Classe, [] { return new Classe; });
