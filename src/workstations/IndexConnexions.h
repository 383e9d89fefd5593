#pragma once

#include <set>

// The numbers given to the connections of one channel. Numbers grow from 1 while at least one
// connection is open and start again at 1 once none is; past 32767 the lowest free number is
// given, so a connection never goes without one.
class IndexConnexions
{
public:
    static constexpr int Maximum = 32767;

    int Prendre();
    // Frees a number. `recommencer`: when none is left in use, numbering starts again at 1.
    void Liberer(int index, bool recommencer = true);

    int Dernier() const { return m_dernier; }
    int EnUsage() const { return static_cast<int>(m_enUsage.size()); }

private:
    int m_dernier = 0;
    std::set<int> m_enUsage;
};
