#ifndef PROGRAMSESSION_H
#define PROGRAMSESSION_H

#include <QByteArray>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

/**
 * The real kestrun executable in a folder of its own, on the display in DISPLAY or on an Xvfb
 * display of the session's own, used from outside as a user would: clicks through xdotool on its
 * window, and the window read back through the accessibility bus by scripts/window-reader.py.
 *
 * Every wait spins the event loop, so that a server in the test process keeps answering the
 * program. The tools are located when the session is made, before a test narrows PATH.
 */
class ProgramSession
{
public:
    // The centres of the window's first check box and buttons, in window coordinates: the
    // window has a fixed size, and the form places them there.
    static constexpr QPoint CheckBox1 {34, 31};
    static constexpr QPoint Install {592, 535};
    static constexpr QPoint DownloadAll {697, 535};
    static constexpr QPoint Exit {802, 535};

    /** A reading of the window that the caller waits for. */
    using Condition = std::function<bool(const QString &reading)>;

    /** With a dpi, on an Xvfb display of its own at that resolution, at a size at which the
        screen's scaling comes out exact. */
    explicit ProgramSession(int dpi = 0);
    /** Kills the program, and the display of its own, if they still run. */
    ~ProgramSession();

    ProgramSession(const ProgramSession &) = delete;
    ProgramSession &operator=(const ProgramSession &) = delete;

    /** Whether the folder, the program in it and the display of its own could be made. */
    bool isValid() const { return valid; }
    /** The program's folder, where it reads kestrun.json. */
    QString folder() const { return dir.path(); }
    QString installsPath() const;
    /** The installs folder the program falls back on, in a per-user data folder of the
        session's own. */
    QString perUserInstallsPath() const;
    bool writeConfig(const QByteArray &contents);

    /** Starts the program and waits until its window is mapped; false when it is not in time. */
    bool show(int timeoutMs);
    /** Starts the program and waits until its window shows its buttons; false when it does not
        in time. */
    bool start(int timeoutMs);
    /** The X window of the program, once shown. */
    QString windowId() const { return window; }
    /** One left click at a point of the window through the X server. */
    bool click(const QPoint &at);
    /** Presses keys ("Tab", "Return") in the window, one after another. */
    bool pressKeys(const QStringList &keys);
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
    static bool showsReport(const QString &reading);
    /** The first line of reading that contains text, without its item's role; empty when none
        does. */
    static QString lineWith(const QString &reading, const QString &text);

    /** Runs a tool on the session's display to its end; whether it succeeded, and what it wrote
        to output. */
    bool runTool(const QString &program, const QStringList &arguments, int timeoutMs,
        QByteArray *output = nullptr);

private:
    bool startDisplay(int dpi);
    bool findWindow(int timeoutMs);
    QProcessEnvironment environment() const;

    QTemporaryDir dir;
    QString xdotool;
    QProcess xvfb;
    QString display;
    QProcess program;
    QString window;
    QString reading;
    bool valid = false;
};

#endif // PROGRAMSESSION_H
