// install-probe: installs a package the way a person does, with the installer's own
// windows, and reports every message box the installer shows, answering each with OK,
// so that a test can read what the installer tells the user.
//
//   install-probe PACKAGE.msi [PROPERTIES]
//
// Standard output: "caixa: TITLE: TEXT" for each box, then "resultado: N", the
// installer's result (0 installed).
#include <windows.h>
#include <msi.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "testing/win32/message_box_watcher.h"
#include "text/utf.h"

int main() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 2 || count > 3) {
        std::fputs("uso: install-probe PACOTE.msi [PROPRIEDADES]\n", stderr);
        return 2;
    }
    UINT result = 0;
    std::vector<scandrel::testing::SeenBox> boxes;
    {
        scandrel::testing::MessageBoxWatcher watcher;
        MsiSetInternalUI(INSTALLUILEVEL_BASIC, nullptr);
        result = MsiInstallProductW(arguments[1], count == 3 ? arguments[2] : L"");
        boxes = watcher.take();
    }
    for (const auto& box : boxes) {
        std::printf("caixa: %s: %s\n", scandrel::toUtf8(box.title).c_str(), scandrel::toUtf8(box.text).c_str());
    }
    std::printf("resultado: %u\n", result);
    LocalFree(arguments);
    return 0;
}
