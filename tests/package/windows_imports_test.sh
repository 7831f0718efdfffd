#!/bin/sh
# Fails when a Windows program imports a DLL that Windows does not ship itself: the programs are
# linked statically, so that copying the .exe is all that running it needs.
#   windows_imports_test.sh OBJDUMP PROGRAM...
objdump=$1
shift
status=0
for program in "$@"; do
  dlls=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
  if [ -z "$dlls" ]; then
    echo "$program: no import list"
    status=1
  fi
  for dll in $dlls; do
    case $(echo "$dll" | tr 'A-Z' 'a-z') in
      kernel32.dll | msvcrt.dll | shell32.dll | advapi32.dll | user32.dll | ole32.dll | shlwapi.dll | gdi32.dll | \
      comctl32.dll | comdlg32.dll) ;;
      *)
        echo "$(basename "$program") imports $dll, which Windows does not ship"
        status=1
        ;;
    esac
  done
done
exit $status
