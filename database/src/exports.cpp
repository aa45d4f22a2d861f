// The exported functions of the parameter catalogue library.
//
// One process-wide context, created by DB_Create and freed by DB_Destroy,
// holds the opened flag and the connection. Every export first checks that
// the context exists and every query that the catalogue is open; then the
// query runs, and a failure is reported once through the message sink and
// answered with 0 or false. Nothing is thrown across the library boundary.
//
// The library takes no lock: like the rest of the catalogue's users it runs
// on the main program's user-interface thread only.
#include "database/src/catalogue_connection.h"
#include "database/src/catalogue_queries.h"
#include "database/src/message_sink.h"
#include "database/src/utf_text.h"
#include "vq_database.h"

#include <exception>
#include <memory>
#include <new>

using vq::db::CatalogueConnection;
using vq::db::CatalogueFault;
using vq::db::reportMessage;

namespace {

struct DatabaseContext {
    int opened = 0; // 1 once a catalogue connection is open
    std::unique_ptr<CatalogueConnection> connection;
};

DatabaseContext *g_context = nullptr;

void reportQueryFault(const CatalogueFault &fault) noexcept
{
    try {
        reportMessage(fault.oneLine());
    } catch (...) {
        reportMessage(fault.systemText());
    }
}

// Runs one query on the open catalogue; `failure` is the answer without a
// context, without an open catalogue (silently) and after a reported fault.
template <class Result, class Query>
Result runQuery(Result failure, Query &&query) noexcept
{
    if (g_context == nullptr || g_context->opened == 0 || !g_context->connection)
        return failure;
    try {
        return query(*g_context->connection);
    } catch (const CatalogueFault &fault) {
        reportQueryFault(fault);
    } catch (const std::bad_alloc &) {
        reportMessage("out of memory");
    } catch (const std::exception &error) {
        reportMessage(error.what());
    } catch (...) {
        reportMessage("unknown error");
    }
    return failure;
}

} // namespace

extern "C" {

bool DB_Create()
{
    if (g_context != nullptr)
        return false;
    g_context = new (std::nothrow) DatabaseContext;
    return g_context != nullptr;
}

bool DB_Destroy()
{
    if (g_context == nullptr)
        return false;
    delete g_context; // closes the connection
    g_context = nullptr;
    return true;
}

// False only when no connection can be created at all. An unusable file is
// reported (the engine's text, then the detail) and leaves the catalogue
// closed, so that every later query answers 0 or false without a word.
bool DB_FileOpen(CatalogueText path)
{
    if (g_context == nullptr)
        return false;
    // A reopening replaces the old connection, and the catalogue counts as
    // closed until the new one is proven usable.
    g_context->opened = 0;
    g_context->connection.reset();
    try {
        const auto utf8Path = vq::text::utf16ToUtf8(path);
        if (!utf8Path)
            throw CatalogueFault("invalid file name", "the catalogue path holds an unpaired UTF-16 surrogate");
        std::unique_ptr<CatalogueConnection> connection = CatalogueConnection::open(*utf8Path);
        if (!connection)
            return false;
        g_context->connection = std::move(connection);
        g_context->opened = 1;
    } catch (const CatalogueFault &fault) {
        reportMessage(fault.systemText());
        reportMessage(fault.description());
    } catch (const std::bad_alloc &) {
        reportMessage("out of memory");
        reportMessage("");
    } catch (...) {
        reportMessage("unknown error");
        reportMessage("");
    }
    return true;
}

int DB_GetPrmCntInGrp(int group)
{
    return runQuery(0, [group](const CatalogueConnection &c) { return vq::db::countParametersInGroup(c, group); });
}

int DB_GetFrPrmAddrInGrp(int group)
{
    return runQuery(0, [group](const CatalogueConnection &c) { return vq::db::firstAddressInGroup(c, group); });
}

int DB_GetAllParamCnt()
{
    return runQuery(0, [](const CatalogueConnection &c) { return vq::db::countAllParameters(c); });
}

// A null array or a capacity below 1 asks for no record: false, and nothing
// is written or queried.
bool DB_GetParamAttr(int group, ParameterAttribute *records, int capacity)
{
    return runQuery(false, [&](const CatalogueConnection &c) {
        if (records == nullptr || capacity < 1)
            return false;
        vq::db::readParameterList(c, group, records, capacity);
        return true;
    });
}

int DB_GetPrvServoCnt()
{
    return runQuery(0, [](const CatalogueConnection &c) { return vq::db::countServos(c); });
}

bool DB_GetAllServoAttr(ServoAttribute *records, int capacity)
{
    return runQuery(false, [&](const CatalogueConnection &c) {
        if (records == nullptr || capacity < 1)
            return false;
        vq::db::readServoList(c, records, capacity);
        return true;
    });
}

void DB_SetMessageCallback(DbMessageCallback callback, void *context)
{
    vq::db::setMessageCallback(callback, context);
}

} // extern "C"
