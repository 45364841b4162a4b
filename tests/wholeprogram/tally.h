#ifndef TALLY_H
#define TALLY_H

#include <QString>
#include <QStringList>

/**
 * The outcome figures of a run of whole-program cases, printed as a Markdown table when the run
 * ends, so that the documented figures are the ones a run produced.
 */
class Tally
{
public:
    /** One case and what went wrong in it. */
    struct Case
    {
        QString name;
        bool hung = false; // no report, or no exit, within the time allowed
        bool crashed = false; // ended by a crash or with an exit code other than 0
        bool damagedAccepted = false; // a file under a package's name differs from the package
        bool unverifiedRun = false; // an installer ran for a package that failed verification
        double seconds = 0;
        QString shown; // what the window showed of the case, in one line
    };

    void add(const Case &outcome) { cases << outcome; }
    /** Prints one line per case and the totals to standard output. */
    void print(const QString &title) const;

private:
    QList<Case> cases;
};

#endif // TALLY_H
