#pragma once

#include <QProxyStyle>

// The platform's style, with its standard icons read only when one is first drawn.
// Qt reads them from image files, and the first read loads every image format plugin
// installed to ask each whether it reads PNG: widgets that only may show such an icon
// (a toolbar's overflow button, a sub-window's system menu) made every start pay for
// that.
class DeferredIconStyle final : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
