# Sourced by scripts/test-windows.sh and tools/win32-screenshots.sh: a desktop for the Wine
# GUI runs, inside the caller's PID namespace. Xvfb on a free display, openbox (without a
# window manager every hide or destroy of a top-level window stalls about 2 s), and trayer
# as the notification area, started before Wine so that Wine docks its icons there. The
# caller has exported WINEPREFIX, HOME and WINEDEBUG and set $work.

wine_desktop_start() {
    local display_file=$work/display
    : >"$display_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" \
        >"$work/xvfb.log" 2>&1 &
    wine_desktop_pids=($!)
    for _ in $(seq 100); do
        [[ -s "$display_file" ]] && break
        sleep 0.1
    done
    [[ -s "$display_file" ]] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; return 1; }
    export DISPLAY=:$(head -n1 "$display_file")

    cat >"$work/openbox-rc.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>yes</center></placement>
  <desktops><number>1</number></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
</openbox_config>
XML
    openbox --config-file "$work/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
    wine_desktop_pids+=($!)
    trayer --SetDockType true --SetPartialStrut true --edge bottom --align right \
        --widthtype request --height 24 --transparent false --tint 0x303030 \
        >"$work/trayer.log" 2>&1 &
    wine_desktop_pids+=($!)
    for _ in $(seq 100); do
        xwininfo -root -tree 2>/dev/null | grep -q '"panel"' && break
        sleep 0.1
    done
    # The panel's strut reaches the work area through openbox a moment later; a program
    # that read the work area before it would place its windows against another one.
    for _ in $(seq 50); do
        xprop -root _NET_WORKAREA 2>/dev/null | grep -Eq '= 0, 0, 1024, (7[0-5][0-9]|6[0-9][0-9])\b' &&
            break
        sleep 0.1
    done

    # The prefix now draws on the display: its desktop process is started anew with X11.
    wineserver -k 2>/dev/null || true
    wineserver -w
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
}

wine_desktop_stop() {
    wineserver -k 2>/dev/null || true
    local pid
    for pid in "${wine_desktop_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    wine_desktop_pids=()
}
