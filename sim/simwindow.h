#ifndef VXSIM_SIMWINDOW_H
#define VXSIM_SIMWINDOW_H

#include <QWidget>

namespace vxsim {
class Module;
}

// The panel at twice its size; a mouse press is a finger on the glass.
class SimWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int Zoom = 2;

    SimWindow(vxsim::Module *module, const QString &devicePath, QWidget *parent = nullptr);

    void setDevicePath(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showBuzzer(bool on);

    vxsim::Module *module;
    QString devicePath;
};

#endif // VXSIM_SIMWINDOW_H
