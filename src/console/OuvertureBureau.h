#pragma once

class QString;
class QUrl;
class QWidget;

// Opening documents and addresses from the windows, with a message when it cannot be done.

// Opens a version document with its application. A missing document, or one that no
// application could open, is told to the person in a box owned by `fenetre`.
void OuvrirDocumentVersion(QWidget* fenetre, const QString& document);

// Opens an address in the browser; when no application could open it, the person is told once
// the current event is over (the window that asked may be gone by then).
void OuvrirAdresseWeb(const QUrl& adresse);
