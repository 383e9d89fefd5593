#include "IndexConnexions.h"

int IndexConnexions::Prendre()
{
    int index = 0;
    if (m_dernier < Maximum) {
        index = ++m_dernier;
    } else {
        index = 1;
        for (int pris : m_enUsage) {
            if (pris != index)
                break;
            ++index;
        }
        if (index > m_dernier)
            m_dernier = index;
    }
    m_enUsage.insert(index);
    return index;
}

void IndexConnexions::Liberer(int index, bool recommencer)
{
    m_enUsage.erase(index);
    if (recommencer && m_enUsage.empty())
        m_dernier = 0;
}
