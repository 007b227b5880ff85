#ifndef CARDPROGRESS_H
#define CARDPROGRESS_H

class CardJob;
class QWidget;

// A progress dialog with Cancel for the card `job` is writing, over `parent`.
// It shows only once the copy has taken more than a moment, cancels the job
// when asked, and goes when the job finishes.
void showCardProgress(CardJob *job, QWidget *parent);

#endif // CARDPROGRESS_H
