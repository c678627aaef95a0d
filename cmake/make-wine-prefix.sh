#!/bin/sh
# usage: make-wine-prefix.sh <prefix-dir>
# Creates a quiet Wine prefix for tests: unmanaged windows (no window manager under Xvfb),
# X11 with a headless fallback, Marlett for the frame glyphs, and user folders that do not
# point into $HOME.
set -e
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
unset DISPLAY
wineboot -i >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11,null /f >/dev/null 2>&1
# A folder opened through the shell must not leave a file browser behind in tests: the
# folder's open verb runs a program that does nothing visible.
wine reg delete 'HKCR\Folder\shell\open\ddeexec' /f >/dev/null 2>&1 || true
wine reg add 'HKCR\Folder\shell\open\command' /ve /d 'C:\windows\system32\rundll32.exe' /f >/dev/null 2>&1
wineserver -w
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
for u in "$WINEPREFIX"/drive_c/users/*; do
  for d in Desktop Documents Downloads Music Pictures Videos; do
    if [ -L "$u/$d" ]; then rm "$u/$d"; mkdir "$u/$d"; fi
  done
done
