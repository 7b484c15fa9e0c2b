#include "support/records.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace quorvex::test {
namespace {

constexpr std::int64_t kMaxBlockRecords = 9'999'999;            // RT/RU count, 7 digits
constexpr std::int64_t kMaxTotal = 999'999'999'999'999;         // RT/RU money, 15 digits
constexpr std::int64_t kSocialSecurityMax = 10'200'000;         // 2008 wage base, cents
constexpr std::int64_t kPriorYearMax = 9'750'000;               // 2007 wage base, cents

// Small deterministic generator (splitmix64): the same seed gives the same file everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    std::int64_t Between(std::int64_t lo, std::int64_t hi) {
        return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool Chance(int percent) { return static_cast<int>(Next() % 100) < percent; }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[Next() % N];
    }

private:
    std::uint64_t state_;
};

constexpr std::array<std::string_view, 8> kFirstNames = {"JAMES", "MARY", "ROBERT", "PATRICIA",
                                                         "CARLOS", "ANNE-MARIE", "KWAME", "MEI"};
constexpr std::array<std::string_view, 8> kLastNames = {"SMITH", "GARCIA", "O'BRIEN", "SMITH-JONES",
                                                        "VAN DYKE", "NGUYEN", "ST. JOHN", "MCALLISTER"};
constexpr std::array<std::string_view, 4> kMiddles = {"A", "J", "", ""};
constexpr std::array<std::string_view, 4> kStreets = {"MAIN ST", "OAK AVE", "LAKE SHORE DR", "2ND ST"};
constexpr std::array<std::string_view, 4> kUnits = {"APT 4B", "SUITE 200", "", ""};

struct Place {
    std::string_view city;
    std::string_view state;
    std::string_view zip;
};
constexpr std::array<Place, 6> kPlaces = {{{"BALTIMORE", "MD", "21201"}, {"RICHMOND", "VA", "23219"},
                                           {"SAN JUAN", "PR", "00901"}, {"HAGATNA", "GU", "96910"},
                                           {"BOSTON", "MA", "02108"}, {"SEATTLE", "WA", "98101"}}};
constexpr std::array<std::string_view, 4> kCompanies = {"NORTHWIND TRADING", "BLUE HERON FOODS",
                                                        "SUMMIT MACHINE WORKS", "IRONBRIDGE STEEL"};

// The tax jurisdiction codes handed out in turn with `territories`.
constexpr std::array<char, 6> kJurisdictions = {' ', 'P', 'V', 'G', 'S', 'N'};

// When a non-zero amount is allowed in a field, by the employer's tax jurisdiction code.
enum class Allow { Always, BlankOnly, NotP, NotPN, NotPS, OnlyP, Islands, Never };

bool Allowed(Allow rule, char j) {
    switch (rule) {
    case Allow::Always: return true;
    case Allow::BlankOnly: return j == ' ';
    case Allow::NotP: return j != 'P';
    case Allow::NotPN: return j != 'P' && j != 'N';
    case Allow::NotPS: return j != 'P' && j != 'S';
    case Allow::OnlyP: return j == 'P';
    case Allow::Islands: return j == 'V' || j == 'G' || j == 'S' || j == 'N';
    case Allow::Never: return false;
    }
    return false;
}

// RW money fields 1-24: first position and jurisdiction rule (index 0 unused). Field 15
// (Military Employee B.Q.S.C. Pay) must be zero for tax year 2008.
struct Field {
    int pos;
    Allow allow;
};
constexpr std::array<Field, 25> kRwMoney = {{
    {0, Allow::Never},
    {188, Allow::BlankOnly}, {199, Allow::BlankOnly}, {210, Allow::Always}, {221, Allow::Always},
    {232, Allow::Always},    {243, Allow::Always},    {254, Allow::Always}, {265, Allow::NotPS},
    {276, Allow::BlankOnly}, {287, Allow::NotP},      {298, Allow::NotP},   {309, Allow::NotP},
    {320, Allow::NotP},      {331, Allow::NotP},      {342, Allow::Never},  {353, Allow::NotP},
    {364, Allow::NotPN},     {375, Allow::NotP},      {386, Allow::NotPN},  {408, Allow::NotP},
    {419, Allow::NotP},      {430, Allow::NotPN},     {441, Allow::NotP},   {452, Allow::NotP},
}};
// RT totals of the RW fields 1-24.
constexpr std::array<int, 25> kRtMoney = {
    0,   10,  25,  40,  55,  70,  85,  100, 115, 130, 145, 160, 175,
    190, 205, 220, 235, 250, 265, 280, 310, 340, 355, 370, 385};
// RO money fields 1-17.
constexpr std::array<Field, 18> kRoMoney = {{
    {0, Allow::Never},
    {12, Allow::BlankOnly}, {23, Allow::Always}, {34, Allow::NotPN}, {45, Allow::NotP},
    {56, Allow::NotPN},     {67, Allow::NotP},   {78, Allow::NotP},  {89, Allow::NotPN},
    {275, Allow::OnlyP},    {286, Allow::OnlyP}, {297, Allow::OnlyP}, {308, Allow::OnlyP},
    {319, Allow::OnlyP},    {330, Allow::OnlyP}, {341, Allow::OnlyP}, {363, Allow::Islands},
    {374, Allow::Islands},
}};
// RU totals of the RO fields 1-17.
constexpr std::array<int, 18> kRuMoney = {
    0, 10, 25, 40, 55, 70, 85, 100, 115, 355, 370, 385, 400, 415, 430, 445, 460, 475};


}  // namespace

// --- Single records ---------------------------------------------------------------------

std::string Record(std::string_view start) {
    std::string r(start.substr(0, 512));
    r.resize(512, ' ');
    return r;
}

void Put(std::string& record, int pos, std::string_view text) {
    record.replace(static_cast<std::size_t>(pos - 1), text.size(), text);
}

std::string With(std::string record, int pos, std::string_view text) {
    Put(record, pos, text);
    return record;
}

std::string Lines(const std::vector<std::string>& records) {
    std::string out;
    for (const auto& r : records) out += r + "\r\n";
    return out;
}


std::string Digits(double cents, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*.0f", width, cents);
    return buf;
}

int RwPos(int n) { return kRwMoney[static_cast<std::size_t>(n)].pos; }
int RtPos(int n) { return kRtMoney[static_cast<std::size_t>(n)]; }
int RoPos(int n) { return kRoMoney[static_cast<std::size_t>(n)].pos; }
int RuPos(int n) { return kRuMoney[static_cast<std::size_t>(n)]; }

namespace {
// `start` with each text put at its position.
std::string Filled(std::string_view start, std::initializer_list<std::pair<int, std::string_view>> texts) {
    std::string r = Record(start);
    for (auto [pos, text] : texts) Put(r, pos, text);
    return r;
}
}  // namespace

std::string BaselineRA() {
    return Filled("RA", {{3, "123456789"}, {12, "AB12CD34"}, {29, "0"}, {36, "98"}, {38, "ACME PAYROLL INC"},
                         {117, "100 MAIN ST"}, {139, "BALTIMORE"}, {161, "MD21201"}, {168, "1234"},
                         {217, "ACME PAYROLL INC"}, {296, "100 MAIN ST"}, {318, "BALTIMORE"}, {340, "MD21201"},
                         {396, "JANE O'NEIL-SMITH JR."}, {423, "4105551234"}, {446, "jane@acme.example"},
                         {499, "1L"}});
}

std::string MakeRE(char employmentCode, char jurisdiction, std::string_view year, std::string_view ein) {
    const char codes[] = {employmentCode, jurisdiction, '0'};
    return Filled("RE", {{3, year}, {8, ein}, {26, "0"}, {40, "ACME MANUFACTURING CO"}, {119, "100 MAIN ST"},
                         {141, "BALTIMORE"}, {163, "MD21201"}, {219, std::string_view(codes, 3)}});
}

std::string MakeRW(std::string_view ssn, const RwAmounts& a) {
    std::string r = Filled("RW", {{3, ssn}, {12, "JOHN"}, {42, "DOE"}, {66, "2 ELM ST"}, {110, "BALTIMORE"},
                                  {132, "MD21201"}, {486, "0 00"}});
    for (int n = 1; n <= 24; ++n) Put(r, RwPos(n), Digits(a[static_cast<std::size_t>(n)], 11));
    return r;
}

std::string MakeRO(const RoAmounts& a) {
    std::string r = Record("RO");
    for (int n = 1; n <= 17; ++n) Put(r, RoPos(n), Digits(a[static_cast<std::size_t>(n)], 11));
    return r;
}

std::string MakeRT(std::int64_t count, const RwAmounts& sums) {
    std::string r = Record("RT");
    Put(r, 3, Digits(static_cast<double>(count), 7));
    for (int n = 1; n <= 24; ++n) Put(r, RtPos(n), Digits(sums[static_cast<std::size_t>(n)], 15));
    Put(r, 325, Digits(0, 15));
    return r;
}

std::string MakeRU(std::int64_t count, const RoAmounts& sums) {
    std::string r = Record("RU");
    Put(r, 3, Digits(static_cast<double>(count), 7));
    for (int n = 1; n <= 17; ++n) Put(r, RuPos(n), Digits(sums[static_cast<std::size_t>(n)], 15));
    return r;
}

std::string MakeRF(const std::string& count) { return Filled("RF", {{8, count}}); }
std::string MakeRF(long long rwCount) { return MakeRF(Digits(static_cast<double>(rwCount), 9)); }

std::string ValidRecord(std::string_view id, long long rwCount, long long blockCount) {
    if (id == "RA") return BaselineRA();
    if (id == "RE") return MakeRE();
    if (id == "RF") return MakeRF(rwCount);
    if (id == "RW") return MakeRW();
    if (id == "RO") return MakeRO();
    if (id == "RT") return MakeRT(blockCount, RwAmounts{});
    if (id == "RU") return MakeRU(blockCount, RoAmounts{});
    return Record(id);
}

std::vector<std::string> ValidRecords(std::initializer_list<const char*> ids, long long priorRW,
                                      long long priorBlockRW) {
    std::vector<std::string> out;
    long long rw = priorRW, blockRW = priorBlockRW, blockRO = 0;
    for (std::string_view id : ids) {
        if (id == "RE") blockRW = blockRO = 0;
        out.push_back(ValidRecord(id, rw, id == "RU" ? blockRO : blockRW));
        if (id == "RW") ++rw, ++blockRW;
        if (id == "RO") ++blockRO;
    }
    return out;
}

std::string Submission(int rwCount, bool withRF, const std::string& rw) {
    std::vector<std::string> records = {ValidRecord("RA"), ValidRecord("RE")};
    records.insert(records.end(), static_cast<std::size_t>(rwCount), rw);
    records.push_back(MakeRT(rwCount, {}));
    if (withRF) records.push_back(ValidRecord("RF", rwCount));
    return Lines(records);
}

// --- Generated submissions --------------------------------------------------------------

namespace {

// `value` zero-filled to `width` digits.
std::string Number(std::uint64_t value, int width) {
    std::string digits = std::to_string(value);
    return digits.insert(0, std::max<std::size_t>(static_cast<std::size_t>(width), digits.size()) - digits.size(), '0');
}

// Records with CR LF, written to `out` in pieces of a few megabytes.
class Writer {
public:
    explicit Writer(std::FILE* out) : out_(out) {}
    void Add(const std::string& r) {
        buf_.append(r).append("\r\n");
        ++result_.records;
        if (buf_.size() > (4u << 20)) Flush();
    }
    void Flush() {
        if (std::fwrite(buf_.data(), 1, buf_.size(), out_) != buf_.size() || std::fflush(out_) != 0)
            throw std::runtime_error(std::string("write failed: ") + std::strerror(errno));
        result_.bytes += static_cast<std::int64_t>(buf_.size());
        buf_.clear();
    }
    WriteResult Finish() { return Flush(), result_; }

private:
    std::FILE* out_;
    std::string buf_;
    WriteResult result_;
};

bool BadEinPrefix(int prefix) {
    static constexpr std::array<int, 15> kBad = {0, 7, 8, 9, 17, 18, 19, 28, 29, 49, 69, 70, 78, 79, 89};
    return std::find(kBad.begin(), kBad.end(), prefix) != kBad.end();
}

std::uint64_t MakeEin(Random& rnd) {
    int prefix;
    do prefix = static_cast<int>(rnd.Between(10, 99));
    while (BadEinPrefix(prefix));
    return static_cast<std::uint64_t>(prefix) * 10'000'000 + static_cast<std::uint64_t>(rnd.Between(0, 9'999'999));
}

// A distinct valid SSN for each employee: first digit 1-7, never one of the reserved numbers.
std::uint64_t MakeSsn(std::int64_t employee, std::uint64_t offset) {
    std::uint64_t ssn = 100'000'000 + (static_cast<std::uint64_t>(employee) * 37 + offset) % 700'000'000;
    if (ssn == 111'111'111 || ssn == 123'456'789 || ssn == 333'333'333) ssn += 1;
    return ssn;
}

// Every text put below fits its field.
void PutAddress(std::string& r, Random& rnd, int locationPos, int deliveryPos, int cityPos, int statePos,
                int zipPos, int zipExtPos) {
    const Place& place = rnd.Pick(kPlaces);
    Put(r, locationPos, rnd.Pick(kUnits));
    Put(r, deliveryPos, std::to_string(rnd.Between(1, 9999)) + " " + std::string(rnd.Pick(kStreets)));
    Put(r, cityPos, place.city);
    Put(r, statePos, place.state);
    Put(r, zipPos, place.zip);
    if (rnd.Chance(50)) Put(r, zipExtPos, Number(static_cast<std::uint64_t>(rnd.Between(1, 9999)), 4));
}

std::string RandomRA(Random& rnd, std::uint64_t ein) {
    // User ID, an original submission, an in-house program, problems notified by e-mail (whose
    // address keeps its case), a service bureau as preparer.
    std::string r = Filled("RA", {{3, Number(ein, 9)}, {12, "QVX2008A"}, {29, "0"}, {36, "98"},
                                  {38, "QUORVEX PAYROLL SERVICES INC"}, {217, "QUORVEX PAYROLL SERVICES INC"},
                                  {396, "JANE Q. O'NEIL-PARKER"}, {423, "4105550123"}, {438, "221"},
                                  {446, "payroll@quorvex.example"}, {489, "4105550199"}, {499, "1"}, {500, "S"}});
    PutAddress(r, rnd, 95, 117, 139, 161, 163, 168);
    PutAddress(r, rnd, 274, 296, 318, 340, 342, 347);
    return r;
}

// A regular employer of the jurisdiction given; every third block has an Establishment Number.
std::string RandomRE(Random& rnd, std::uint64_t ein, int block, char jurisdiction) {
    std::string name = std::string(kCompanies[static_cast<std::size_t>(block) % kCompanies.size()]) + " " +
                       (block % 2 ? "INC" : "LLC");
    if (block >= static_cast<int>(kCompanies.size())) name += " NO " + std::to_string(block);
    const char codes[] = {'R', jurisdiction, '0'};
    std::string r = Filled("RE", {{3, "2008"}, {8, Number(ein, 9)}, {26, "0"}, {40, name},
                                  {219, std::string_view(codes, 3)}});
    if (block % 3 == 1) Put(r, 27, Number(static_cast<std::uint64_t>(block % 10000), 4));
    PutAddress(r, rnd, 97, 119, 141, 163, 165, 170);
    return r;
}

struct Amounts {
    RwAmounts rw{};
    RoAmounts ro{};
};

std::int64_t Percent(std::int64_t amount, std::int64_t perTenThousand) {
    return (amount * perTenThousand + 5000) / 10000;
}

// The amounts of one employee. They follow the 2008 rules: Social Security wages plus tips
// at most the wage base and never exactly the 2007 base, Medicare wages at least that sum,
// taxes at the 2008 rates, and zero wherever the employer's jurisdiction forbids an amount.
Amounts MakeAmounts(Random& rnd, char j, bool allMoney, bool withRo) {
    Amounts a;
    auto& w = a.rw;
    const std::int64_t base = rnd.Chance(3) ? rnd.Between(10'000'000, 40'000'000) : rnd.Between(1'500'000, 9'000'000);
    const std::int64_t tips = (allMoney || rnd.Chance(20)) ? rnd.Between(10'000, 800'000) : 0;
    const std::int64_t deferral = (allMoney || rnd.Chance(40)) ? Percent(base, rnd.Between(100, 1000)) : 0;

    std::int64_t ssWages = std::min(base, kSocialSecurityMax - tips);
    if (ssWages + tips == kPriorYearMax) ssWages -= 1;
    w[3] = ssWages;
    w[4] = Percent(ssWages + tips, 620);
    w[5] = base + tips;
    w[6] = Percent(base + tips, 145);
    w[7] = tips;
    w[10] = deferral;
    w[1] = base + tips - deferral;
    w[2] = Percent(base + tips - deferral, rnd.Between(800, 2200));
    if (allMoney) {
        for (int n = 8; n <= 24; ++n)
            if (n != 10) w[n] = rnd.Between(1'000, 500'000);
    }
    for (int n = 1; n <= 24; ++n)
        if (!Allowed(kRwMoney[n].allow, j)) w[n] = 0;

    if (withRo) {
        auto& o = a.ro;
        if (allMoney) {
            for (int n = 1; n <= 17; ++n) o[n] = rnd.Between(1'000, 300'000);
        } else {
            if (rnd.Chance(30)) o[1] = rnd.Between(5'000, 200'000);          // Allocated Tips
            if (rnd.Chance(10)) o[2] = rnd.Between(1'000, 20'000);           // Uncollected tax on tips
            if (rnd.Chance(10)) o[5] = rnd.Between(100'000, 1'000'000);      // Adoption expenses
        }
        if (j == 'P') {   // Puerto Rico amounts, the total their sum
            o[9] = base;
            o[10] = allMoney ? rnd.Between(1'000, 300'000) : 0;
            o[11] = allMoney ? rnd.Between(1'000, 300'000) : 0;
            o[12] = tips;
            o[13] = o[9] + o[10] + o[11] + o[12];
            o[14] = Percent(static_cast<std::int64_t>(o[13]), 1000);
        }
        if (j == 'V' || j == 'G' || j == 'S' || j == 'N') {
            o[16] = base + tips;
            o[17] = Percent(base + tips, 1500);
        }
        for (int n = 1; n <= 17; ++n)
            if (!Allowed(kRoMoney[n].allow, j)) o[n] = 0;
    }
    return a;
}

// An employee with a name and an address of the lists above; the indicators say whether the
// employee is in a retirement plan.
std::string RandomRW(Random& rnd, std::uint64_t ssn, const RwAmounts& a) {
    std::string r = Filled("RW", {{3, Number(ssn, 9)}, {12, rnd.Pick(kFirstNames)}, {27, rnd.Pick(kMiddles)},
                                  {42, rnd.Pick(kLastNames)}, {62, rnd.Chance(5) ? "JR" : ""}, {486, "0"},
                                  {488, a[10] > 0 ? "1" : "0"}, {489, "0"}});
    PutAddress(r, rnd, 66, 88, 110, 132, 134, 139);
    for (int n = 1; n <= 24; ++n)
        Put(r, RwPos(n), Number(static_cast<std::uint64_t>(a[static_cast<std::size_t>(n)]), 11));
    return r;
}

// Adds `amounts` to the block's `sums`, which must keep to the 15 digits of a total.
template <typename Sums>
void AddInto(Sums& sums, const Sums& amounts) {
    for (std::size_t n = 1; n < sums.size(); ++n)
        if ((sums[n] += amounts[n]) > static_cast<double>(kMaxTotal))
            throw std::invalid_argument("a block total exceeds 15 digits; use smaller blocks");
}

}  // namespace

SubmissionShape UniformShape(int employers, std::int64_t employees) {
    SubmissionShape shape;
    shape.blockSizes.assign(static_cast<std::size_t>(std::max(employers, 0)), employees);
    return shape;
}

// The number of RW records of the shape; throws when the format cannot hold the shape.
std::int64_t ValidatedEmployeeCount(const SubmissionShape& shape) {
    if (shape.blockSizes.empty()) throw std::invalid_argument("a submission needs at least one employer");
    std::int64_t totalRw = 0;
    for (std::int64_t size : shape.blockSizes) {
        if (size < 1) throw std::invalid_argument("every employer needs at least one employee");
        if (size > kMaxBlockRecords) throw std::invalid_argument("at most 9,999,999 employees per employer");
        totalRw += size;
    }
    if (totalRw > 999'999'999) throw std::invalid_argument("at most 999,999,999 employees in a submission");
    return totalRw;
}

WriteResult WriteSubmission(const SubmissionShape& shape, std::FILE* out) {
    const std::int64_t totalRw = ValidatedEmployeeCount(shape);

    Random rnd(shape.seed);
    const std::uint64_t ssnOffset = rnd.Next() % 700'000'000;
    Writer writer(out);
    writer.Add(RandomRA(rnd, MakeEin(rnd)));
    std::int64_t employee = 0;
    for (std::size_t b = 0; b < shape.blockSizes.size(); ++b) {
        const char j = shape.territories ? kJurisdictions[b % kJurisdictions.size()] : ' ';
        const bool withRo = shape.roEvery > 0 && b % static_cast<std::size_t>(shape.roEvery) == 0;
        writer.Add(RandomRE(rnd, MakeEin(rnd), static_cast<int>(b), j));
        Amounts sums;
        for (std::int64_t e = 0; e < shape.blockSizes[b]; ++e, ++employee) {
            const Amounts a = MakeAmounts(rnd, j, shape.allMoney, withRo);
            writer.Add(RandomRW(rnd, MakeSsn(employee, ssnOffset), a.rw));
            AddInto(sums.rw, a.rw);
            if (withRo) writer.Add(MakeRO(a.ro)), AddInto(sums.ro, a.ro);
        }
        writer.Add(MakeRT(shape.blockSizes[b], sums.rw));
        if (withRo) writer.Add(MakeRU(shape.blockSizes[b], sums.ro));
    }
    writer.Add(MakeRF(totalRw));
    return writer.Finish();
}

WriteResult WriteSubmission(const SubmissionShape& shape, const std::string& path) {
    ValidatedEmployeeCount(shape);   // refuse before creating the file
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    WriteResult result;
    try {
        result = WriteSubmission(shape, f);
    } catch (...) {
        std::fclose(f);
        throw;
    }
    if (std::fclose(f) != 0) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    return result;
}

}  // namespace quorvex::test
