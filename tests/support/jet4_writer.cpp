#include "jet4_writer.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>

namespace lumo::test::jet4 {

namespace {

constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kRowTableStart = 14;     // data page: row count at 12, offsets from 14
constexpr std::size_t kMaxRowsPerPage = 1000;  // libmdb refuses row indices above this
constexpr std::uint32_t kMapPage = 1;          // every usage map row lives here
constexpr std::uint32_t kCatalogPage = 2;      // readers look for the catalog here

// Column type codes of the format.
constexpr std::uint8_t kTypeBool = 0x01;
constexpr std::uint8_t kTypeInt = 0x03;
constexpr std::uint8_t kTypeLong = 0x04;
constexpr std::uint8_t kTypeText = 0x0A;
constexpr std::uint8_t kTypeOle = 0x0B;

// The masked region of the header page (0x18..0x97) is stored XORed with
// this constant key stream; an all-zero plain text would be these bytes.
constexpr std::array<std::uint8_t, 128> kHeaderMask = {
    0xb5, 0x6f, 0x03, 0x62, 0x61, 0x08, 0xc2, 0x55, 0xeb, 0xa9, 0x67, 0x72, 0x43, 0x3f, 0x00, 0x9c,
    0x7a, 0x9f, 0x90, 0xff, 0x80, 0x9a, 0x31, 0xc5, 0x79, 0xba, 0xed, 0x30, 0xbc, 0xdf, 0xcc, 0x9d,
    0x63, 0xd9, 0xe4, 0xc3, 0x7b, 0x42, 0xfb, 0x8a, 0xbc, 0x4e, 0x86, 0xfb, 0xec, 0x37, 0x5d, 0x44,
    0x9c, 0xfa, 0xc6, 0x5e, 0x28, 0xe6, 0x13, 0xb6, 0x8a, 0x60, 0x54, 0x94, 0x7b, 0x36, 0xf5, 0x72,
    0xdf, 0xb1, 0x77, 0xf4, 0x13, 0x43, 0xcf, 0xaf, 0xb1, 0x33, 0x34, 0x61, 0x79, 0x5b, 0x92, 0xb5,
    0x7c, 0x2a, 0x05, 0xf1, 0x7c, 0x99, 0x01, 0x1b, 0x98, 0xfd, 0x12, 0x4f, 0x4a, 0x94, 0x6c, 0x3e,
    0x60, 0x26, 0x5f, 0x95, 0xf8, 0xd0, 0x89, 0x24, 0x85, 0x67, 0xc6, 0x1f, 0x27, 0x44, 0xd2, 0xee,
    0xcf, 0x65, 0xed, 0xff, 0x07, 0xc7, 0x46, 0xa1, 0x78, 0x16, 0x0c, 0xed, 0xe9, 0x2d, 0x62, 0xd4,
};

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

void append16(Bytes& b, std::uint32_t v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

[[noreturn]] void fail(const std::string& what)
{
    throw std::invalid_argument(what);
}

// UTF-8 to UTF-16 code units; only the BMP, since the format is UCS-2.
std::u16string toUcs2(const std::string& s)
{
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = std::uint8_t(s[i]);
        std::uint32_t cp = 0;
        int more = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            more = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            more = 2;
        } else {
            fail("text outside the Basic Multilingual Plane or not UTF-8: " + s);
        }
        if (more && i + more >= s.size()) fail("truncated UTF-8: " + s);
        for (int k = 1; k <= more; ++k) {
            const auto d = std::uint8_t(s[i + k]);
            if ((d & 0xC0) != 0x80) fail("bad UTF-8: " + s);
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) fail("surrogate in text: " + s);
        if (cp == 0xFEFF && out.empty()) fail("text starts with a byte order mark: " + s);
        out.push_back(char16_t(cp));
        i += 1 + more;
    }
    return out;
}

// A text value as stored: the compressed form (FF FE, one byte per
// character) when every character fits in one non-zero byte and that is
// shorter, else plain UCS-2LE.
Bytes encodeText(const std::u16string& s)
{
    const bool compressible =
        std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= 0x01 && c <= 0xFF; });
    Bytes out;
    if (compressible && s.size() > 2) {
        out = {0xFF, 0xFE};
        for (char16_t c : s) out.push_back(std::uint8_t(c));
    } else {
        for (char16_t c : s) append16(out, c);
    }
    return out;
}

// A column as the table definition holds it (user types plus the ones the
// catalog needs).
struct ColumnDef {
    std::u16string name;
    std::uint8_t type = kTypeText;
    std::uint16_t length = 0;  // col_len: value size in bytes, 2 x chars for Text
    bool variable = false;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
};

// One cell in the internal form: present or not, with its stored bytes
// (Yes/No: present means true and there are no bytes).
struct Stored {
    bool present = false;
    Bytes bytes;
};

struct TableDef {
    std::u16string name;
    bool system = false;
    std::vector<ColumnDef> columns;
    std::vector<std::vector<Stored>> rows;
    std::uint16_t varCount = 0;
    std::uint16_t fixedLength = 0;
};

void layOutColumns(TableDef& t)
{
    std::uint16_t fixed = 0, var = 0;
    for (auto& c : t.columns) {
        c.variable = c.type == kTypeText || c.type == kTypeOle;
        if (c.variable) {
            c.varIndex = var++;
        } else {
            c.fixedOffset = fixed;
            fixed = std::uint16_t(fixed + (c.type == kTypeBool ? 0 : c.length));
        }
    }
    t.varCount = var;
    t.fixedLength = fixed;
}

// One row in the Jet 4 layout: column count, fixed area, variable data,
// then (only with variable columns) the end-of-data offset, the variable
// columns' offsets last one first, their count, and last the null mask.
Bytes encodeRow(const TableDef& t, const std::vector<Stored>& cells)
{
    const std::size_t n = t.columns.size();
    Bytes row;
    append16(row, std::uint32_t(n));
    row.resize(2 + t.fixedLength, 0);
    std::vector<std::uint16_t> varStart(t.varCount, 0);
    Bytes mask((n + 7) / 8, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const ColumnDef& c = t.columns[i];
        const Stored& v = cells[i];
        if (v.present) mask[i / 8] |= std::uint8_t(1u << (i % 8));
        if (c.variable) {
            varStart[c.varIndex] = std::uint16_t(row.size());
            if (v.present) row.insert(row.end(), v.bytes.begin(), v.bytes.end());
        } else if (v.present && c.type != kTypeBool) {
            std::copy(v.bytes.begin(), v.bytes.end(), row.begin() + 2 + c.fixedOffset);
        }
    }
    if (t.varCount > 0) {
        append16(row, std::uint32_t(row.size()));  // end of the variable data
        for (int k = t.varCount - 1; k >= 0; --k) append16(row, varStart[k]);
        append16(row, t.varCount);
    }
    row.insert(row.end(), mask.begin(), mask.end());
    if (row.size() > kPageSize - kRowTableStart - 2)
        fail("a row of table is larger than a page");
    return row;
}

// Data pages of one table: rows packed from the page end downwards.
struct PagePlan {
    std::vector<std::vector<Bytes>> pages;
};

PagePlan planPages(const std::vector<Bytes>& rows)
{
    PagePlan plan;
    std::size_t used = kRowTableStart;
    for (const Bytes& r : rows) {
        if (plan.pages.empty() || used + 2 + r.size() > kPageSize ||
            plan.pages.back().size() >= kMaxRowsPerPage) {
            plan.pages.emplace_back();
            used = kRowTableStart;
        }
        plan.pages.back().push_back(r);
        used += 2 + r.size();
    }
    return plan;
}

void writeRowPage(Bytes& file, std::uint32_t page, std::uint32_t tdefPage,
                  const std::vector<Bytes>& rows)
{
    const std::size_t base = std::size_t(page) * kPageSize;
    file[base] = 0x01;
    file[base + 1] = 0x01;
    put32(file, base + 4, tdefPage);
    put16(file, base + 12, std::uint32_t(rows.size()));
    std::size_t end = kPageSize;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t start = end - rows[i].size();
        std::copy(rows[i].begin(), rows[i].end(), file.begin() + base + start);
        put16(file, base + kRowTableStart + 2 * i, std::uint32_t(start));
        end = start;
    }
    put16(file, base + 2, std::uint32_t(end - (kRowTableStart + 2 * rows.size())));
}

Bytes buildTdef(const TableDef& t, std::uint32_t usageMapRow, std::uint32_t freeMapRow)
{
    Bytes p(kPageSize, 0);
    p[0] = 0x02;
    p[1] = 0x01;
    put32(p, 0x10, std::uint32_t(t.rows.size()));
    p[0x28] = t.system ? 0x53 : 0x4E;
    put16(p, 0x29, std::uint32_t(t.columns.size()));
    put16(p, 0x2B, t.varCount);
    put16(p, 0x2D, std::uint32_t(t.columns.size()));
    put32(p, 0x37, (kMapPage << 8) | usageMapRow);
    put32(p, 0x3B, (kMapPage << 8) | freeMapRow);
    std::size_t at = 0x3F;
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const ColumnDef& c = t.columns[i];
        if (at + 25 > kPageSize) fail("table definition larger than a page");
        p[at] = c.type;
        put16(p, at + 5, std::uint32_t(i));
        put16(p, at + 7, c.variable ? c.varIndex : 0);
        put16(p, at + 9, std::uint32_t(i));
        if (c.type == kTypeText) put16(p, at + 11, 0x0409);  // sort order "General"
        p[at + 15] = c.variable ? 0x02 : 0x03;
        if (c.type == kTypeText) p[at + 16] = 0x01;  // may hold compressed text
        put16(p, at + 21, c.variable ? 0 : c.fixedOffset);
        put16(p, at + 23, c.length);
        at += 25;
    }
    for (const ColumnDef& c : t.columns) {
        if (at + 2 + 2 * c.name.size() > kPageSize) fail("table definition larger than a page");
        put16(p, at, std::uint32_t(2 * c.name.size()));
        at += 2;
        for (char16_t ch : c.name) {
            put16(p, at, ch);
            at += 2;
        }
    }
    put32(p, 0x08, std::uint32_t(at));
    put16(p, 0x02, std::uint32_t(kPageSize - at - 8));
    return p;
}

Stored storeLong(std::int32_t v)
{
    Stored s{true, Bytes(4, 0)};
    put32(s.bytes, 0, std::uint32_t(v));
    return s;
}

TableDef userTable(const Table& in)
{
    TableDef t;
    t.name = toUcs2(in.name);
    if (t.name.empty()) fail("table without a name");
    if (in.columns.empty() || in.columns.size() > 255)
        fail("table " + in.name + " needs 1 to 255 columns");
    for (const Column& c : in.columns) {
        ColumnDef d;
        d.name = toUcs2(c.name);
        if (d.name.empty()) fail("column without a name in table " + in.name);
        switch (c.type) {
        case ColumnType::Text:
            if (c.maxChars < 1 || c.maxChars > 255) fail("text column " + c.name + " of bad size");
            d.type = kTypeText;
            d.length = std::uint16_t(2 * c.maxChars);
            break;
        case ColumnType::Long:
            d.type = kTypeLong;
            d.length = 4;
            break;
        case ColumnType::YesNo:
            d.type = kTypeBool;
            d.length = 0;
            break;
        }
        t.columns.push_back(d);
    }
    layOutColumns(t);
    for (const auto& row : in.rows) {
        if (row.size() != in.columns.size()) fail("row of wrong width in table " + in.name);
        std::vector<Stored> cells;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const Column& c = in.columns[i];
            const Cell& v = row[i];
            const std::string where = in.name + "." + c.name;
            if (v.kind == Cell::Kind::Null) {
                if (c.type == ColumnType::YesNo) fail("Yes/No column cannot be null: " + where);
                cells.push_back(Stored{});
                continue;
            }
            switch (c.type) {
            case ColumnType::Text: {
                if (v.kind != Cell::Kind::Text) fail("text column needs text: " + where);
                const std::u16string s = toUcs2(v.text);
                if (s.size() > std::size_t(c.maxChars)) fail("text too long for " + where);
                cells.push_back(Stored{true, encodeText(s)});
                break;
            }
            case ColumnType::Long:
                if (v.kind != Cell::Kind::Long) fail("number column needs a number: " + where);
                cells.push_back(storeLong(v.number));
                break;
            case ColumnType::YesNo:
                if (v.kind != Cell::Kind::YesNo) fail("Yes/No column needs true or false: " + where);
                cells.push_back(Stored{v.flag, {}});
                break;
            }
        }
        t.rows.push_back(std::move(cells));
    }
    return t;
}

// The catalog: one row per user table with its definition page.
TableDef catalogTable(const std::vector<TableDef>& tables, const std::vector<std::uint32_t>& tdefPages)
{
    TableDef t;
    t.name = u"MSysObjects";
    t.system = true;
    t.columns = {
        {u"Id", kTypeLong, 4},  {u"ParentId", kTypeLong, 4}, {u"Name", kTypeText, 510},
        {u"Type", kTypeInt, 2}, {u"Flags", kTypeLong, 4},    {u"LvProp", kTypeOle, 0},
    };
    layOutColumns(t);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        Stored type{true, Bytes(2, 0)};
        put16(type.bytes, 0, 1);  // a local table
        t.rows.push_back({storeLong(std::int32_t(tdefPages[i])), storeLong(0x0F000001),
                          Stored{true, encodeText(tables[i].name)}, type, storeLong(0), Stored{}});
    }
    return t;
}

}  // namespace

std::vector<std::uint8_t> Build(const Database& db)
{
    std::vector<TableDef> tables;
    for (const Table& t : db.tables) tables.push_back(userTable(t));

    // Page plan: 0 header, 1 usage maps, 2 catalog definition, catalog data,
    // then every table's definition followed by its data pages.
    std::vector<std::vector<Bytes>> userRows;
    std::vector<PagePlan> userPlans;
    for (const TableDef& t : tables) {
        std::vector<Bytes> rows;
        for (const auto& r : t.rows) rows.push_back(encodeRow(t, r));
        userPlans.push_back(planPages(rows));
        userRows.push_back(std::move(rows));
    }
    // The catalog's rows do not depend on page numbers in size, so plan
    // them with placeholders first.
    std::vector<std::uint32_t> tdefPages(tables.size(), 0);
    TableDef catalog = catalogTable(tables, tdefPages);
    std::vector<Bytes> catalogRows;
    for (const auto& r : catalog.rows) catalogRows.push_back(encodeRow(catalog, r));
    const std::size_t catalogDataPages = planPages(catalogRows).pages.size();

    std::uint32_t next = kCatalogPage + 1 + std::uint32_t(catalogDataPages);
    std::vector<std::uint32_t> firstDataPage(tables.size());
    for (std::size_t i = 0; i < tables.size(); ++i) {
        tdefPages[i] = next++;
        firstDataPage[i] = next;
        next += std::uint32_t(userPlans[i].pages.size());
    }
    const std::uint32_t pageCount = next;

    catalog = catalogTable(tables, tdefPages);
    catalogRows.clear();
    for (const auto& r : catalog.rows) catalogRows.push_back(encodeRow(catalog, r));
    const PagePlan catalogPlan = planPages(catalogRows);

    Bytes file(std::size_t(pageCount) * kPageSize, 0);

    // Header page.
    file[1] = 0x01;
    const char signature[] = "Standard Jet DB";
    std::copy(signature, signature + sizeof signature, file.begin() + 4);
    file[0x14] = 0x01;  // Jet 4
    Bytes plain(128, 0);
    put16(plain, 0x3C - 0x18, 1252);    // code page
    put16(plain, 0x6E - 0x18, 0x0409);  // sort order "General"
    for (std::size_t i = 0; i < 128; ++i) file[0x18 + i] = plain[i] ^ kHeaderMask[i];

    // Usage maps: two rows per table (owned pages, pages with free space),
    // the catalog's first. The bitmap covers every page of the file.
    const std::size_t bitmapBytes = std::max<std::size_t>(59, (pageCount + 7) / 8);
    auto mapRow = [&](std::uint32_t first, std::size_t count) {
        Bytes row(5 + bitmapBytes, 0);
        for (std::uint32_t p = first; p < first + count; ++p) row[5 + p / 8] |= std::uint8_t(1u << (p % 8));
        return row;
    };
    std::vector<Bytes> mapRows;
    mapRows.push_back(mapRow(kCatalogPage + 1, catalogPlan.pages.size()));
    mapRows.push_back(mapRow(0, 0));
    for (std::size_t i = 0; i < tables.size(); ++i) {
        mapRows.push_back(mapRow(firstDataPage[i], userPlans[i].pages.size()));
        mapRows.push_back(mapRow(0, 0));
    }
    std::size_t mapBytes = kRowTableStart;
    for (const Bytes& r : mapRows) mapBytes += 2 + r.size();
    if (mapBytes > kPageSize || mapRows.size() > kMaxRowsPerPage) fail("too many tables or pages");
    writeRowPage(file, kMapPage, 0, mapRows);

    auto placeTdef = [&](const Bytes& page, std::uint32_t at) {
        std::copy(page.begin(), page.end(), file.begin() + std::size_t(at) * kPageSize);
    };
    placeTdef(buildTdef(catalog, 0, 1), kCatalogPage);
    for (std::size_t k = 0; k < catalogPlan.pages.size(); ++k)
        writeRowPage(file, kCatalogPage + 1 + std::uint32_t(k), kCatalogPage, catalogPlan.pages[k]);

    for (std::size_t i = 0; i < tables.size(); ++i) {
        const auto mapIndex = std::uint32_t(2 + 2 * i);
        placeTdef(buildTdef(tables[i], mapIndex, mapIndex + 1), tdefPages[i]);
        for (std::size_t k = 0; k < userPlans[i].pages.size(); ++k)
            writeRowPage(file, firstDataPage[i] + std::uint32_t(k), tdefPages[i], userPlans[i].pages[k]);
    }
    return file;
}

bool Write(const std::string& path, const Database& db, std::string* error)
{
    Bytes bytes;
    try {
        bytes = Build(db);
    } catch (const std::invalid_argument& e) {
        if (error) *error = e.what();
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace lumo::test::jet4
