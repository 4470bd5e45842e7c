#include "station/mdb_reader.h"

// glib first: mdbtools.h includes it inside an extern "C" block, where its
// C++ templates do not compile.
#include <glib.h>
#include <mdbtools.h>

#include <QFile>

#include <vector>

namespace lumo::mdb {

namespace {

constexpr int kOffsetMask = 0x1FFF;

}  // namespace

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

Database::Database(std::unique_ptr<Impl> impl, QString path)
    : impl_(std::move(impl)), path_(std::move(path))
{
}

Database::~Database() = default;

std::unique_ptr<Database> Database::open(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty()) return nullptr;
    MdbHandle* mdb = mdb_open(name.constData(), MDB_NOFLAGS);
    if (!mdb) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->mdb = mdb;
    // Yes/No as words, so that no Yes/No value reads like the number 1.
    mdb_set_boolean_fmt_words(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) return nullptr;
    return std::unique_ptr<Database>(new Database(std::move(impl), path));
}

QStringList Database::tableNames() const
{
    QStringList names;
    MdbHandle* mdb = impl_->mdb;
    if (!mdb->catalog) return names;
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

std::unique_ptr<Table> Database::table(const QString& name, QString* error)
{
    QByteArray wanted = name.toUtf8();
    MdbTableDef* def = mdb_read_table_by_name(impl_->mdb, wanted.data(), MDB_TABLE);
    if (!def) {
        if (error)
            *error = QStringLiteral("Die Tabelle \u201E%1\u201C ist in der Datenbank \u201E%2\u201C "
                                    "nicht vorhanden.")
                         .arg(name, path_);
        return nullptr;
    }
    auto impl = std::make_unique<Table::Impl>();
    impl->mdb = impl_->mdb;
    impl->def = def;
    if (!mdb_read_columns(def)) {
        if (error)
            *error = QStringLiteral("Die Tabelle \u201E%1\u201C der Datenbank \u201E%2\u201C "
                                    "kann nicht gelesen werden.")
                         .arg(name, path_);
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
    table->name_ = QString::fromUtf8(def->name);
    return table;
}

Table::Table(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Table::~Table() = default;

int Table::columnCount() const
{
    return int(impl_->def->num_cols);
}

QStringList Table::columnNames() const
{
    QStringList names;
    for (int i = 0; i < columnCount(); ++i) names << QString::fromUtf8(impl_->column(i)->name);
    return names;
}

QString Table::columnTypeName(int column) const
{
    if (column < 0 || column >= columnCount()) return {};
    return QString::fromUtf8(mdb_get_colbacktype_string(impl_->column(column)));
}

int Table::findColumn(const QString& name) const
{
    for (int i = 0; i < columnCount(); ++i) {
        if (QString::fromUtf8(impl_->column(i)->name).compare(name, Qt::CaseInsensitive) == 0)
            return i;
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

QString Table::text(int column) const
{
    if (!impl_->onRow || column < 0 || column >= columnCount()) return {};
    if (impl_->nulls[std::size_t(column)]) return {};
    const std::vector<char>& buffer = impl_->buffers[std::size_t(column)];
    return QString::fromUtf8(buffer.data(), qsizetype(qstrnlen(buffer.data(), uint(buffer.size()))));
}

bool Table::isNull(int column) const
{
    if (!impl_->onRow || column < 0 || column >= columnCount()) return true;
    return impl_->nulls[std::size_t(column)] != 0;
}

}  // namespace lumo::mdb
