#include "plugin/fire.h"

#include <new>
#include <string>

#include "plugin/com_error.h"
#include "plugin/host_contract.h"
#include "plugin/module_state.h"
#include "search/win32/message_box.h"
#include "search/win32/search_window.h"
#include "text/twips.h"
#include "win32/error_text.h"
#include "win32/module_use.h"
#include "win32/screen_dpi.h"

namespace scandrel::plugin {

namespace {

constexpr char16_t kNoPermission[] = u"ERRO: Você não tem permissão para acessar esse recurso.";
constexpr int32_t kStyleCritical = 16;
constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kInternalError = 51;

// Opens patients through the host object of the latest Fire. The host may call Fire
// again from inside the call, which replaces the stored object; the call holds a
// reference of its own (callByName).
void openPatient(int32_t counter) {
    const win32::ModuleInUse inUse;
    hostOpenPatient(fireReferences().hostObject.get(), counter);
}

void showError(const Error& error) {
    search::win32::showMessageBox(win32::errorText(error), 0);
}

void openSearch(IDispatch* host) {
    FireReferences& references = fireReferences();
    // The host may call Fire again while this one waits on it; each Fire goes on with
    // its own window.
    const auto window = search::win32::SearchWindow::create(moduleHandle(), openPatient);
    references.hostObject = ComPtr<IDispatch>(host);
    references.searchWindow = window;
    if (!hostGrantsSearch(host)) {
        search::win32::showMessageBox(kNoPermission, kStyleCritical, u"Erro");
        return;
    }
    window->setDbName(hostDatabaseName(host));
    window->show();
}

}  // namespace

void fire(IDispatch* host) noexcept {
    // The host may release Interface while a box of ours is up or while it answers us.
    const win32::ModuleInUse inUse;
    try {
        try {
            openSearch(host);
        } catch (const Error& error) {
            showError(error);
        } catch (const std::bad_alloc&) {
            showError(Error(kOutOfMemory, u"Memória insuficiente"));
        } catch (const std::exception&) {
            showError(Error(kInternalError, u"Erro interno"));
        }
    } catch (...) {
        // Not even the box could be shown; the host still gets its answer.
    }
}

void moveSearchWindow(float left, int32_t top) {
    const auto& window = fireReferences().searchWindow;
    if (!window) throw objectNotSet();
    const int dpi = win32::screenDpi();
    window->moveTo(twipsToPixels(left, dpi), twipsToPixels(top, dpi));
}

}  // namespace scandrel::plugin
