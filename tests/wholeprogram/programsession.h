#ifndef PROGRAMSESSION_H
#define PROGRAMSESSION_H

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

/**
 * The real kestrun executable in a folder of its own, on the display in DISPLAY, used from outside
 * as a user would: clicks through xdotool on its window, and the window read back through the
 * accessibility bus by scripts/window-reader.py.
 *
 * Every wait spins the event loop, so that a server in the test process keeps answering the
 * program. The tools are located when the session is made, before a test narrows PATH.
 */
class ProgramSession
{
public:
    /** Where the window's buttons and first check box are, in window coordinates. */
    enum class Target { CheckBox1, Install, DownloadAll, Exit };

    /** A reading of the window that the caller waits for. */
    using Condition = std::function<bool(const QString &reading)>;

    ProgramSession();
    /** Kills the program if it still runs. */
    ~ProgramSession();

    ProgramSession(const ProgramSession &) = delete;
    ProgramSession &operator=(const ProgramSession &) = delete;

    /** Whether the folder and the program in it could be made. */
    bool isValid() const { return valid; }
    /** The program's folder, where it reads kestrun.json. */
    QString folder() const { return dir.path(); }
    /** The installs folder beside the program. */
    QString installsPath() const;
    /** The installs folder the program falls back on, in a per-user data folder of the
        session's own. */
    QString perUserInstallsPath() const;
    /** Writes kestrun.json beside the program. */
    bool writeConfig(const QByteArray &contents);

    /** Starts the program and waits until its window shows; false when it does not in time. */
    bool start(int timeoutMs);
    /** One left click on target through the X server. */
    bool click(Target target);
    /** Reads the window until condition holds or timeoutMs has passed; the last reading is
        kept in lastReading(). */
    bool waitFor(const Condition &condition, int timeoutMs);
    /** What the window showed at the last reading, one line per visible item. */
    QString lastReading() const { return reading; }
    /** Clicks "Exit" and waits for the program to end: its exit code, or -1 when it did not
        end in time or ended by a crash. */
    int exitByButton(int timeoutMs);

    /** The headings a report begins with, in English. */
    static const QStringList &reportHeadings();
    /** The report heading that reading shows; empty when it shows none. */
    static QString reportHeading(const QString &reading);
    /** A reading that shows a report. */
    static bool showsReport(const QString &reading);
    /** The first line of reading that contains text, without its item's role; empty when none
        does. */
    static QString lineWith(const QString &reading, const QString &text);

private:
    bool runTool(const QString &program, const QStringList &arguments, int timeoutMs,
        QByteArray *output = nullptr);
    bool findWindow(int timeoutMs);
    QProcessEnvironment environment() const;

    QTemporaryDir dir;
    QString xdotool;
    QProcess program;
    QString window;
    QString reading;
    bool valid = false;
};

#endif // PROGRAMSESSION_H
