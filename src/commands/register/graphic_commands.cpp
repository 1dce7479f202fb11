// The register's graphic commands (slot set, data append, clear, header and footer
// assignment, graphics reports) and the status read with the model table.
#include "codecs/register/ks_fields.h"
#include "commands/register/prt_ks.h"
#include "common/text.h"
#include "ui/trace.h"

namespace tv {
namespace {

struct Model {
    unsigned char code;
    const char* name;
    const char* version;
};

constexpr Model kModels[] = {
    {1, "KARDO", "1.01"},         {2, "VAK", "1.01"},
    {3, "KARDO", "1.02"},         {4, "VAK", "1.02"},
    {5, "TORMA", "3.02"},         {6, "KARDO", "1.03"},
    {7, "VAK", "1.03"},           {9, "VAK EJ", "1.01"},
    {10, "PALVIN", "1.03"},       {11, "TORMA DT EJ", "4.01"},
    {23, "PALVIN RT EJ", "1.01"}, {24, "VAK XL EJ", "2.01"},
    {25, "TORMA DT EJ", "4.03"},  {26, "TORMA DT", "3.03"},
    {27, "PALVIN RT EJ", "1.02"}, {28, "TORMA DT XL EJ", "1.01"},
    {29, "VAK XL EJ", "2.02"},    {30, "KOLT", "1.01"},
};

constexpr std::size_t NAME_CAP = 20;    // 19 characters and the terminator
constexpr std::size_t VERSION_CAP = 5;  // 4 characters and the terminator

// The common shape of a graphic command: request built by the caller's puts, dumped
// unless it is a data block, then one exchange.
template <class Fill>
int command(unsigned int& socket, std::uint16_t cmd, std::uint16_t fields, bool dump, Fill fill) {
    KS_FRM req, rep;
    ks_start_request(req, rep, cmd, fields);
    fill(req);
    req.make();
    if (dump) req.print();
    return ks_exchange(socket, req, rep);
}

}  // namespace

int KS_IMGSLOTSET(unsigned int& socket, unsigned char slot, unsigned short width, unsigned short height) {
    return command(socket, 4600, 3, true, [&](KS_FRM& f) {
        f.putB(slot);
        f.putV(width);
        f.putV(height);
    });
}

int KS_IMGSLOTAPPEND(unsigned int& socket, unsigned char slot, char* data) {
    return command(socket, 4601, 2, false, [&](KS_FRM& f) {
        f.putB(slot);
        f.putS(data);
    });
}

int KS_IMGSLOTCLEAR(unsigned int& socket, unsigned char slot) {
    return command(socket, 4602, 1, true, [&](KS_FRM& f) { f.putB(slot); });
}

int KS_IMGHEADERSET(unsigned int& socket, unsigned char graphic, unsigned char second) {
    return command(socket, 4603, 2, true, [&](KS_FRM& f) {
        f.putB(graphic);
        f.putB(second);
    });
}

int KS_IMGFOOTERSET(unsigned int& socket, unsigned char graphic, unsigned char second) {
    return command(socket, 4604, 2, true, [&](KS_FRM& f) {
        f.putB(graphic);
        f.putB(second);
    });
}

int KS_REPIMG(unsigned int& socket) {
    return command(socket, 4606, 0, true, [](KS_FRM&) {});
}

int KS_REPPROGIMG(unsigned int& socket, unsigned char slot) {
    return command(socket, 4607, 1, true, [&](KS_FRM& f) { f.putB(slot); });
}

int KS_CASHREGSTATUSGET(unsigned int& socket, char* name, char* version, char* unique, const LinkOps* link) {
    KS_FRM req, rep;
    ks_start_request(req, rep, 501, 0);
    req.make();
    req.print();
    if (const int r = ks_exchange(socket, req, rep, true, link); r != RC_OK) return r;
    if (unique) {
        // Model code, the register's name, then its unique number.
        FieldReader fields(rep);
        std::uint16_t model = 0;
        std::string stated;
        if (fields.B(model) && fields.S(stated) && fields.S(stated)) copy_bounded(unique, 13, stated);
    }

    const unsigned char code = rep.DATA[1];
    const char* model = "Niezydentyfikowane";
    const char* ver = "";
    for (const auto& m : kModels)
        if (m.code == code) {
            model = m.name;
            ver = m.version;
        }
    copy_bounded(name, NAME_CAP, model);
    copy_bounded(version, VERSION_CAP, ver);
    return RC_OK;
}

}  // namespace tv
