#pragma once

// What the application is before any window opens. Its name and its maker's (where the user's
// configuration goes), and no display name: the window manager would append it to every caption.
// Return on a focused push button presses it, in every window. It speaks French whatever the
// system language: Qt's own texts (dialogs, standard buttons, error strings that reach the
// journal and message boxes) come from Qt's French translations, and dates, day and month names
// follow the French (France) locale. Returns false when Qt's French translations are not
// installed.
bool PreparerApplication();
