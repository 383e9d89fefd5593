#pragma once

// While one lives, the questions the console asks with "Oui" and "Non" have "Non" as their
// default button: Return alone must never confirm what cannot be undone (closing a session,
// deleting a workstation or a responsible person).
class NonParDefaut
{
public:
    NonParDefaut();
    ~NonParDefaut();
    NonParDefaut(const NonParDefaut&) = delete;
    NonParDefaut& operator=(const NonParDefaut&) = delete;

    static bool Actif();
};
