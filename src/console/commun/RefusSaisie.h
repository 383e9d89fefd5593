#pragma once

class QString;
class QWidget;

// A key or a value a box does not take is never dropped in silence: the box tells why in a
// tip just below it, with the desktop's beep, and keeps the focus.
void SignalerRefus(QWidget* champ, const QString& raison);

// A key taken: the tip of a key refused before it no longer applies.
void EffacerRefus();
