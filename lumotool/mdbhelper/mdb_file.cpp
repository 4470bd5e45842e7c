#include "mdbhelper/mdb_file.h"

// glib first: mdbtools.h includes it inside an extern "C" block, where its
// C++ templates do not compile. A libmdb built without glib (the Windows
// build) brings its own small replacement, whose header declares C functions
// outside that block: it goes in one of its own, after the system headers
// it includes.
#if __has_include(<glib.h>)
#include <glib.h>
#include <mdbtools.h>
#else
#include <cctype>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <inttypes.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif
extern "C" {
#include <mdbtools.h>
}
#endif

#include <cstring>
#include <filesystem>
#include <system_error>

namespace lumo::mdb {

namespace {

constexpr int kOffsetMask = 0x1FFF;

// Case-folded form of a UTF-8 name, for comparing names without regard to
// case as the database does.
std::string Folded(const char* name)
{
    gchar* folded = g_utf8_casefold(name, -1);
    std::string out = folded ? folded : "";
    g_free(folded);
    return out;
}

}  // namespace

bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(
                                 std::filesystem::path(reinterpret_cast<const char8_t*>(path.c_str())), error);
}

struct Database::Impl {
    MdbHandle* mdb = nullptr;
    ~Impl()
    {
        if (mdb) mdb_close(mdb);
    }
};

struct Table::Impl {
    MdbHandle* mdb = nullptr;
    MdbTableDef* def = nullptr;
    std::vector<std::vector<char>> buffers;  // one bound text buffer per column
    std::vector<int> lengths;
    std::vector<unsigned char> nulls;  // of the current row
    bool onRow = false;
    bool atEnd = false;  // libmdb would start over when asked again

    ~Impl()
    {
        if (def) mdb_free_tabledef(def);
    }

    MdbColumn* column(int i) const
    {
        return static_cast<MdbColumn*>(g_ptr_array_index(def->columns, guint(i)));
    }

    // Binding alone gives "" for a null value and for an empty text alike;
    // the row's null mask tells them apart. After a fetch the row's page is
    // still in the handle's page buffer and the row index is one behind.
    void readNullFlags()
    {
        const int n = int(def->num_cols);
        nulls.assign(std::size_t(n), 0);
        bool cracked = false;
        int start = 0;
        size_t length = 0;
        if (def->cur_row > 0 && mdb_find_row(mdb, int(def->cur_row) - 1, &start, &length) == 0) {
            std::vector<MdbField> fields(std::size_t(n) + 1);
            const int got = mdb_crack_row(def, start & kOffsetMask, length, fields.data());
            if (got >= 0) {
                cracked = true;
                for (int i = 0; i < got && i < n; ++i) {
                    const int c = fields[std::size_t(i)].colnum;
                    if (c >= 0 && c < n) nulls[std::size_t(c)] = fields[std::size_t(i)].is_null;
                }
            }
        }
        for (int c = 0; c < n; ++c) {
            if (column(c)->col_type == MDB_BOOL)
                nulls[std::size_t(c)] = 0;
            else if (!cracked)
                nulls[std::size_t(c)] = lengths[std::size_t(c)] == 0;
        }
    }
};

Database::Database(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Database::~Database() = default;

std::unique_ptr<Database> Database::open(const std::string& path)
{
    // A FIFO would block mdb_open for ever.
    if (!IsRegularFile(path)) return nullptr;
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->mdb = mdb;
    // Yes/No as words, so that no Yes/No value reads like the number 1.
    mdb_set_boolean_fmt_words(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) return nullptr;
    return std::unique_ptr<Database>(new Database(std::move(impl)));
}

std::vector<std::string> Database::tableNames() const
{
    std::vector<std::string> names;
    MdbHandle* mdb = impl_->mdb;
    if (!mdb->catalog) return names;
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
            names.emplace_back(entry->object_name);
    }
    return names;
}

std::unique_ptr<Table> Database::table(const std::string& name, TableError* error)
{
    std::string wanted = name;
    MdbTableDef* def = mdb_read_table_by_name(impl_->mdb, wanted.data(), MDB_TABLE);
    if (!def) {
        if (error) *error = TableError::Missing;
        return nullptr;
    }
    auto impl = std::make_unique<Table::Impl>();
    impl->mdb = impl_->mdb;
    impl->def = def;
    if (!mdb_read_columns(def)) {
        if (error) *error = TableError::Unreadable;
        return nullptr;
    }
    const int n = int(def->num_cols);
    impl->buffers.assign(std::size_t(n), std::vector<char>(MDB_BIND_SIZE, '\0'));
    impl->lengths.assign(std::size_t(n), 0);
    impl->nulls.assign(std::size_t(n), 1);
    for (int i = 0; i < n; ++i)
        mdb_bind_column(def, i + 1, impl->buffers[std::size_t(i)].data(), &impl->lengths[std::size_t(i)]);
    mdb_rewind_table(def);
    std::unique_ptr<Table> table(new Table(std::move(impl)));
    table->name_ = def->name;
    if (error) *error = TableError::None;
    return table;
}

Table::Table(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Table::~Table() = default;

int Table::columnCount() const
{
    return int(impl_->def->num_cols);
}

std::vector<std::string> Table::columnNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < columnCount(); ++i) names.emplace_back(impl_->column(i)->name);
    return names;
}

std::string Table::columnTypeName(int column) const
{
    if (column < 0 || column >= columnCount()) return {};
    const char* type = mdb_get_colbacktype_string(impl_->column(column));
    return type ? type : "";
}

int Table::findColumn(const std::string& name) const
{
    const std::string wanted = Folded(name.c_str());
    for (int i = 0; i < columnCount(); ++i) {
        if (Folded(impl_->column(i)->name) == wanted) return i;
    }
    return -1;
}

void Table::rewind()
{
    mdb_rewind_table(impl_->def);
    impl_->onRow = false;
    impl_->atEnd = false;
}

bool Table::next()
{
    impl_->onRow = !impl_->atEnd && mdb_fetch_row(impl_->def) != 0;
    if (impl_->onRow)
        impl_->readNullFlags();
    else
        impl_->atEnd = true;
    return impl_->onRow;
}

std::string Table::text(int column) const
{
    if (!impl_->onRow || column < 0 || column >= columnCount()) return {};
    if (impl_->nulls[std::size_t(column)]) return {};
    const std::vector<char>& buffer = impl_->buffers[std::size_t(column)];
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

bool Table::isNull(int column) const
{
    if (!impl_->onRow || column < 0 || column >= columnCount()) return true;
    return impl_->nulls[std::size_t(column)] != 0;
}

}  // namespace lumo::mdb
