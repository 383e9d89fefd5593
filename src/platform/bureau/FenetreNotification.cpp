#include "FenetreNotification.h"

#include <QGuiApplication>
#include <QWindow>
#include <cstdlib>
#include <cstring>

#if __has_include(<xcb/xcb.h>)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#define QUENTARIS_XCB 1
#endif

namespace Bureau {

#ifdef QUENTARIS_XCB
namespace {

xcb_atom_t atome(xcb_connection_t* connexion, const char* nom)
{
    const xcb_intern_atom_cookie_t demande = xcb_intern_atom(connexion, 0, uint16_t(std::strlen(nom)), nom);
    xcb_intern_atom_reply_t* reponse = xcb_intern_atom_reply(connexion, demande, nullptr);
    const xcb_atom_t valeur = reponse ? reponse->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reponse);
    return valeur;
}

} // namespace
#endif

void MarquerCommeNotification(QWindow* fenetre)
{
#ifdef QUENTARIS_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!fenetre || !x11 || !x11->connection())
        return;
    xcb_connection_t* connexion = x11->connection();
    const auto id = xcb_window_t(fenetre->winId());
    const xcb_atom_t type = atome(connexion, "_NET_WM_WINDOW_TYPE_NOTIFICATION");
    xcb_change_property(connexion, XCB_PROP_MODE_REPLACE, id, atome(connexion, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                        32, 1, &type);
    // Qt adds its own states to these when it shows the window.
    const xcb_atom_t etats[]
        = {atome(connexion, "_NET_WM_STATE_SKIP_TASKBAR"), atome(connexion, "_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(connexion, XCB_PROP_MODE_APPEND, id, atome(connexion, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2,
                        etats);
    xcb_flush(connexion);
#else
    Q_UNUSED(fenetre);
#endif
}

} // namespace Bureau
