#include "win32gui/AppIcon.h"

#include <cmath>

namespace quorvel::win32gui {

HICON MakeAppIcon(int size) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);

    const double s = size;
    auto at = [s](double x, double y) {
        return POINT{static_cast<LONG>(std::lround(x * s)), static_cast<LONG>(std::lround(y * s))};
    };
    const POINT shield[] = {at(0.5, 0.04), at(0.92, 0.18), at(0.90, 0.50), at(0.78, 0.74),
                            at(0.5, 0.97), at(0.22, 0.74), at(0.10, 0.50), at(0.08, 0.18)};

    // The mask: black (drawn) inside the shield, white (transparent) elsewhere.
    HGDIOBJ old = SelectObject(dc, mask);
    PatBlt(dc, 0, 0, size, size, WHITENESS);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    Polygon(dc, shield, 8);

    SelectObject(dc, colour);
    PatBlt(dc, 0, 0, size, size, BLACKNESS);
    HBRUSH blue = CreateSolidBrush(RGB(0x1f, 0x3b, 0x63));
    HPEN edge = CreatePen(PS_SOLID, 1, RGB(0x1f, 0x3b, 0x63));
    SelectObject(dc, blue);
    SelectObject(dc, edge);
    Polygon(dc, shield, 8);
    HFONT font = CreateFontW(-static_cast<int>(size * 0.55), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT box{0, 0, size, static_cast<LONG>(size * 0.92)};
    DrawTextW(dc, L"Q", 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    HICON icon = CreateIconIndirect(&info);

    DeleteObject(font);
    DeleteObject(edge);
    DeleteObject(blue);
    DeleteObject(colour);
    DeleteObject(mask);
    DeleteDC(dc);
    return icon;
}

} // namespace quorvel::win32gui
