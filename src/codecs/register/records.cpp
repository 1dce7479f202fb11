// The records the catalogue read commands fill, and the process-wide VAT assignment and
// unique number.

#include "codecs/register/ks_frame.h"
#include "common/debug.h"

namespace tv {

unsigned short tvat[7];
char uni[13];

void KS_PLU::clear() { *this = KS_PLU{}; }

void KS_PLU::print() {
    debugf("PLU: %u\t%.*s\t%.*s\t%lld\t%u\n", static_cast<unsigned>(number),
           static_cast<int>(sizeof text1 - 1), text1, static_cast<int>(sizeof text2 - 1), text2,
           static_cast<long long>(bcd_value), static_cast<unsigned>(byte_field));
}

void KS_PLUBSTS::clear() { *this = KS_PLUBSTS{}; }

void KS_PLUBSTS::print() {
    debugf("STS: %.*s\t%lld\t%lld\n", static_cast<int>(sizeof barcode - 1), barcode,
           static_cast<long long>(bcd_value1), static_cast<long long>(bcd_value2));
}

void KS_PAYFORM::clear() { *this = KS_PAYFORM{}; }

void KS_PAYFORM::print() {
    debugf("PAYFORM: %u\t%.*s\t%u\t%u\t%.*s\t%lld\t%lld\t%lld\n", static_cast<unsigned>(number),
           static_cast<int>(sizeof text1 - 1), text1, static_cast<unsigned>(byte_field),
           static_cast<unsigned>(word_field), static_cast<int>(sizeof text2 - 1), text2,
           static_cast<long long>(bcd_value1), static_cast<long long>(bcd_value2),
           static_cast<long long>(bcd_value3));
}

}  // namespace tv
