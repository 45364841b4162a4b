#ifndef INSTALL_H
#define INSTALL_H

#include <QObject>

/** The command behind "Install". */
class Install : public QObject
{
    Q_OBJECT
public:
    explicit Install(QObject *parent = nullptr);

public slots:
    /** Installs the ticked products of the window given as parent. */
    void execute(QObject *parent);
};

#endif // INSTALL_H
