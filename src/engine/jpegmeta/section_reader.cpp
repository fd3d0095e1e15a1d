#include "engine/jpegmeta/section_reader.h"

namespace pixmill::jpegmeta {

bool isFrameMarker(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

SectionReader::SectionReader(Bytes file, SectionReaderOptions options)
    : file_(file), options_(options) {
    valid_ = file.size() >= 2 && file[0] == 0xFF && file[1] == 0xD8;
}

int SectionReader::findMarker(int& skipped, SectionStep& failure) {
    skipped = 0;
    failure = SectionStep::NoMarker;
    if (options_.search == MarkerSearch::AnyBytes) {
        int previous = 0;
        while (position_ < file_.size()) {
            const int byte = file_[position_++];
            if (previous == 0xFF && byte != 0xFF)
                return byte;
            previous = byte;
            ++skipped;
        }
        return -1;
    }
    while (position_ < file_.size() && file_[position_] == 0xFF) {
        if (++skipped > options_.maxFill) {
            failure = SectionStep::TooMuchFill;
            return -1;
        }
        ++position_;
    }
    if (position_ >= file_.size()) {
        needed_ = position_ + 3;
        return -1;
    }
    return file_[position_++];
}

SectionStep SectionReader::next(SectionSpan& section) {
    SectionStep failure;
    int skipped = 0;
    const int marker = findMarker(skipped, failure);
    if (marker < 0)
        return failure;
    if (!fitsInside(file_.size(), position_, 2)) {
        needed_ = position_ + 2;
        return SectionStep::Truncated;
    }
    const unsigned length = bigEndian16(file_, position_);
    if (length < 2)
        return SectionStep::BadLength;
    if (!fitsInside(file_.size(), position_, length)) {
        needed_ = position_ + length;
        return SectionStep::Truncated;
    }
    section.marker = marker;
    section.offset = position_;
    section.length = length;
    section.skipped = skipped;
    section.data = file_.subspan(position_, length);
    position_ += length;
    return SectionStep::Section;
}

}  // namespace pixmill::jpegmeta
