#pragma once

#include <QObject>

class TDormivaForm;

// The demo's run with nobody watching, for checks of an installed program: presses Execute once over
// the demo list, prints every log entry as "LEVEL<TAB>TEXT" on the standard output and ends the event
// loop when the run has finished, with 0 when at least one computer was reached and 1 otherwise.
class TDemoRun : public QObject {
    Q_OBJECT
public:
    explicit TDemoRun(TDormivaForm& form);
    // Presses Execute once the event loop runs.
    void Start();

private:
    void Logged(int first, int last);

    TDormivaForm& m_form;
    int m_successes = 0;
};
