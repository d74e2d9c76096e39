#pragma once

#include <QComboBox>
#include <string>
#include <vector>

#include "mounts.h"

// The drive combo of the local pane: the mount points of this machine, each with the
// icon of its kind, drawn by the combo itself with a fixed item height.
class DriveCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kItemHeight = 16;
    enum Role { RootRole = Qt::UserRole, TypeRole };

    explicit DriveCombo(QWidget* parent = nullptr);

    // Rebuilds the items from the mounts and selects the one that holds path (none for a
    // path that no mount holds).
    void fill(const std::vector<platform::MountPoint>& mounts, const std::string& path);
    std::string rootAt(int index) const;

    // Draws one item as the list and the closed combo show it.
    void paintItem(QPainter& painter, const QRect& rect, int index, bool selected,
                   bool focused) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void loadImages();
    QPixmap images_[4];  // removable, fixed, optical, network
};
