// SPDX-License-Identifier: MIT
#include "fixedsize.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QWidget>

#include <windows.h>
#endif

namespace varnholt {

#ifdef Q_OS_WIN
namespace {

// The widget of a top-level window whose size is fixed, if that is what it is.
const QWidget* fixedSizeWindow(HWND window)
{
    const QWidget* widget = QWidget::find(reinterpret_cast<WId>(window));
    return widget != nullptr && widget->isWindow() && widget->minimumSize() == widget->maximumSize() ? widget : nullptr;
}

class FixedSizeFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& /*eventType*/, void* message, qintptr* result) override
    {
        const MSG* msg = static_cast<const MSG*>(message);
        const WPARAM command = msg->wParam & 0xFFF0;
        if (msg->message == WM_WINDOWPOSCHANGING) {
            auto* position = reinterpret_cast<WINDOWPOS*>(msg->lParam);
            if ((position->flags & SWP_NOSIZE) != 0)
                return false;
            if (const QWidget* widget = fixedSizeWindow(msg->hwnd)) {
                // Whatever size is asked for, the window's own size with its frame.
                const qreal scale = widget->devicePixelRatioF();
                RECT frame { 0, 0, qRound(widget->maximumWidth() * scale), qRound(widget->maximumHeight() * scale) };
                AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(msg->hwnd, GWL_STYLE)), FALSE,
                    static_cast<DWORD>(GetWindowLongPtrW(msg->hwnd, GWL_EXSTYLE)));
                position->cx = frame.right - frame.left;
                position->cy = frame.bottom - frame.top;
            }
        } else if (msg->message == WM_SYSCOMMAND && (command == SC_MAXIMIZE || command == SC_SIZE)
            && fixedSizeWindow(msg->hwnd) != nullptr) {
            *result = 0;
            return true;
        }
        return false;
    }
};

} // namespace
#endif

void keepFixedSizeWindowsFixed()
{
#ifdef Q_OS_WIN
    static FixedSizeFilter filter;
    static const bool installed = [] {
        QCoreApplication::instance()->installNativeEventFilter(&filter);
        return true;
    }();
    (void)installed;
#endif
}

} // namespace varnholt
