#pragma once

#include <QComboBox>

namespace fururupo {

// The title screen's list chooser: a combo box whose shown list, when longer than the box, is cut at its end with an
// ellipsis rather than clipped mid-character, so the list's name stays readable and the cut shows.
class ListChooser : public QComboBox
{
    Q_OBJECT

public:
    explicit ListChooser(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace fururupo
