#include "imaging/PxDib.h"

#include "imaging/PxBmpCodec.h"

int PxDib::ReadImageData(CFile& file) {
    return PxBmpCodec::Read(*this, file);
}

int PxDib::WriteImageData(CFile& file) {
    return PxBmpCodec::Write(*this, file);
}
