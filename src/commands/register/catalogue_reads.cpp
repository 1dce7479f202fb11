// Catalogue reads over a serial connection of their own: goods and payment-form records,
// their statistics, the read contexts and the unique number. Results go to the caller's
// records and to the debug channel, never to the trace pane.
#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "codecs/register/ks_fields.h"
#include "commands/register/prt_ks.h"
#include "common/debug.h"
#include "common/text.h"
#include "link/COM_pos.h"

namespace tv {
namespace {

// Opens the port, sends, collects the reply, closes the port, parses the reply.
void connect_exchange(KS_FRM& req, KS_FRM& rep) {
    req.make();
    if (com_connect(false) == RC_OK) {
        com_bsend(req.FRAME);
        com_breceive(rep.FRAME, false);
        com_disconnect(false);
    }
    rep.filter();
}

// A success reply that answers another command (a late one): it is no answer to this read.
bool other_command(const KS_FRM& req, const KS_FRM& rep) {
    if (rep.CMD_ID == 0 || rep.CMD_ID == req.CMD_ID) return false;
    debugf("REPLY ERROR : %d (CMD_ID %u zamiast %u)\n", static_cast<int>(KS_REPLY_OTHER),
           static_cast<unsigned>(rep.CMD_ID), static_cast<unsigned>(req.CMD_ID));
    return true;
}

// The exchange of a read that dumps an error reply's values: true for a success reply.
bool exchange_ok(KS_FRM& req, KS_FRM& rep) {
    connect_exchange(req, rep);
    if (rep.CMD_ID == req.CMD_ID) return true;
    if (other_command(req, rep)) return false;
    debug_write(ks_errors_text(ks_v_values(rep), "\n"));
    return false;
}

// Error reply of a record read: the first four V values (0 for a missing one), unless the
// register says the read context has ended (third value 975).
int record_read_error(const KS_FRM& rep) {
    std::vector<std::uint16_t> v = ks_v_values(rep);
    v.resize(4, 0);
    if (v[2] != 975) debug_write(ks_errors_text(v, "\n"));
    return RC_READ_REFUSED;
}

// The table's entry at index, or the cleared scratch record (with a line on the debug
// channel) when the index falls outside the table: a reply never writes past the caller's table.
template <class Rec>
Rec* entry_for(Rec* table, long index, unsigned table_len, Rec& scratch, const char* what, unsigned number) {
    scratch.clear();
    if (table && index >= 0 && index < static_cast<long>(table_len)) return &table[index];
    debugf("%s %u poza tablica (%u pozycji) - rekord pominiety\n", what, number, table_len);
    return &scratch;
}

// The exchange of a record read: RC_OK, or RC_READ_REFUSED for an error reply. A success reply that names a
// record is handed to take(reader, number), the reader at the record's next field.
template <class Take>
int record_read(KS_FRM& req, KS_FRM& rep, Take take) {
    connect_exchange(req, rep);
    if (rep.CMD_ID == 0) return record_read_error(rep);
    if (other_command(req, rep)) return RC_READ_REFUSED;
    FieldReader r(rep);
    std::uint16_t number = 0;
    if (r.V(number)) take(r, number);
    return RC_OK;
}

// A read context started over (cmd: goods or payment forms).
void context_init(std::uint16_t cmd) {
    KS_FRM req, rep;
    ks_start_request(req, rep, cmd, 2, 2);
    cB(0, req.DATA);
    cB(0, req.DATA + 2);
    req.DATA_LEN = 4;
    exchange_ok(req, rep);
}

}  // namespace

int KS_PLUREAD(unsigned int plu, KS_PLU* table, unsigned int table_len) {
    debug_write("@");
    KS_FRM req, rep;
    ks_start_request(req, rep, 2110, 2, 5);
    cV(static_cast<unsigned short>(plu), req.DATA);
    cB(1, req.DATA + 3);
    req.DATA_LEN = 5;
    return record_read(req, rep, [&](FieldReader& r, std::uint16_t number) {
        // The table is indexed from PLU number 1.
        KS_PLU scratch;
        KS_PLU* e = entry_for(table, static_cast<long>(number) - 1, table_len, scratch, "PLU", number);
        e->number = number;
        std::uint16_t skipped;
        std::int64_t skipped_n;
        (void)(r.S(e->text1, 40) && r.S(e->text2, 40) && r.N(skipped_n) && r.B(skipped) &&
               r.B(e->byte_field) && r.N(e->bcd_value));
    });
}

int KS_PAYFORMREAD(unsigned int n, KS_PAYFORM* table, unsigned int table_len) {
    KS_FRM req, rep;
    ks_start_request(req, rep, 2910, 1, 1);
    cV(static_cast<unsigned short>(n), req.DATA);
    req.DATA_LEN = 3;
    return record_read(req, rep, [&](FieldReader& r, std::uint16_t number) {
        // The table is indexed by the number itself, entry 0 included.
        KS_PAYFORM scratch;
        KS_PAYFORM* e = entry_for(table, number, table_len, scratch, "Forma platnosci", number);
        e->number = number;
        (void)(r.S(e->text1, 24) && r.B(e->byte_field) && r.V(e->word_field) && r.S(e->text2, 4) &&
               r.N(e->bcd_value1));
    });
}

void KS_CASHREGSTATUSGET() {
    KS_FRM req, rep;
    ks_start_request(req, rep, 501, 0, 1);
    req.DATA_LEN = 0;
    if (!exchange_ok(req, rep)) return;
    // B, S, V, 6 B, V, 5 B, V, 3 B, S, then the unique number, then S.
    static const unsigned char before[] = {
        KS_TAG_B, KS_TAG_S, KS_TAG_V, KS_TAG_B, KS_TAG_B, KS_TAG_B, KS_TAG_B, KS_TAG_B, KS_TAG_B, KS_TAG_V,
        KS_TAG_B, KS_TAG_B, KS_TAG_B, KS_TAG_B, KS_TAG_B, KS_TAG_V, KS_TAG_B, KS_TAG_B, KS_TAG_B, KS_TAG_S};
    FieldReader r(rep);
    for (unsigned char tag : before)
        if (!r.skip(tag)) return;
    std::string number;
    if (!r.S(number)) return;
    std::memset(uni, 0, sizeof uni);
    std::size_t k = 0;
    for (char c : number)
        if (c != ' ' && k + 1 < sizeof uni) uni[k++] = c;
}

void KS_PLUSTATREADBYBARCODE(KS_PLUBSTS& rec, bool) {
    debug_write("%");
    KS_FRM req, rep;
    ks_start_request(req, rep, 2161, 2, 1);
    const std::string barcode(rec.barcode, strnlen(rec.barcode, sizeof rec.barcode - 1));
    const std::string wire = to_cp1250(barcode);
    const std::size_t len = wire.size() < 40 ? wire.size() : 40;
    req.DATA[0] = KS_TAG_S;
    std::memcpy(req.DATA + 1, wire.data(), len);
    req.DATA[1 + len] = 0;
    cB(0, req.DATA + 2 + len);
    req.DATA_LEN = static_cast<std::uint16_t>(len + 4);
    rec.bcd_value1 = 0;
    rec.bcd_value2 = 0;
    if (!exchange_ok(req, rep)) return;
    FieldReader r(rep);
    std::string text;
    if (!r.S(text, 40)) return;
    if (!cmpr1(text.c_str(), barcode.c_str())) {
        debug_write("Barcode : ERROR\n");
        return;
    }
    (void)(r.N(rec.bcd_value1) && r.N(rec.bcd_value2));
}

void KS_PAYFORMSTATREAD(KS_PAYFORM& rec, bool) {
    debug_write("#");
    KS_FRM req, rep;
    ks_start_request(req, rep, 2960, 2, 1);
    cV(rec.number, req.DATA);
    cB(0, req.DATA + 3);
    req.DATA_LEN = 5;
    if (!exchange_ok(req, rep)) return;
    FieldReader r(rep);
    std::uint16_t skipped;
    (void)(r.V(skipped) && r.N(rec.bcd_value2));
}

void KS_CNTXPLUINIT() { context_init(2000); }

void KS_CNTXPAYFORMINIT() { context_init(2005); }

}  // namespace tv
