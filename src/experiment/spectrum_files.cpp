#include "experiment/spectrum_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "common/errors.h"
#include "common/file_kind.h"
#include "common/number_format.h"
#include "common/text_writer.h"
#include "experiment/column_text.h"

namespace velmora::experiment {

namespace {

constexpr int kInitialUpperBound = 3000;
constexpr int kGrowthStep = 500;
constexpr std::size_t kChunkSize = 1 << 20;

}  // namespace

void InitExperimentArrays(ExperimentState& exp) {
    exp.ExpXRaw.Resize(0, kInitialUpperBound);
    exp.ExpYRaw.Resize(0, kInitialUpperBound);
    exp.ExpX.Resize(0, kInitialUpperBound);
    exp.ExpY.Resize(0, kInitialUpperBound);
    exp.Residual.Resize(0, kInitialUpperBound);
    exp.SimAtExp.Resize(0, kInitialUpperBound);
    exp.ExpPoints = 0;
}

void GrowExperimentArrays(ExperimentState& exp, int hi) {
    if (exp.ExpXRaw.Hi() < hi) exp.ExpXRaw.ResizePreserve(hi);
    if (exp.ExpYRaw.Hi() < hi) exp.ExpYRaw.ResizePreserve(hi);
    if (exp.ExpX.Hi() < hi) exp.ExpX.ResizePreserve(hi);
    if (exp.ExpY.Hi() < hi) exp.ExpY.ResizePreserve(hi);
    if (exp.Residual.Hi() < hi) exp.Residual.Resize(0, hi);
    if (exp.SimAtExp.Hi() < hi) exp.SimAtExp.Resize(0, hi);
}

double LeadingNumber(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r')) ++i;
    if (i < t.size() && t[i] == '"') ++i;
    return Val(t.substr(i));
}

void TwoColumnReader::EndLine() {
    ProcessLine(pending_);
    pending_.clear();
    ++line_;
}

void TwoColumnReader::Feed(std::string_view chunk) {
    if (atStart_ && head_.empty() && !chunk.empty())
        utf16_ = chunk[0] == '\xFF' || chunk[0] == '\xFE';  // a UTF-16 byte-order mark begins so
    if (atStart_) {
        // A UTF-8 byte-order mark, as spreadsheet programs write it, is dropped; the chunks
        // may split it.
        static constexpr std::string_view bom = "\xEF\xBB\xBF";
        while (!chunk.empty() && head_.size() < bom.size() && chunk[0] == bom[head_.size()]) {
            head_ += chunk[0];
            chunk.remove_prefix(1);
        }
        if (head_.size() == bom.size()) {
            head_.clear();
            atStart_ = false;
        } else if (chunk.empty()) {
            return;  // still undecided
        } else {
            atStart_ = false;
            const std::string head = std::move(head_);
            head_.clear();
            FeedText(head);
        }
    }
    FeedText(chunk);
}

void TwoColumnReader::FeedText(std::string_view chunk) {
    if (chunk.empty()) return;
    if (std::memchr(chunk.data(), '\0', chunk.size()) != nullptr) {
        // Locate the line for the message.
        const std::size_t z = std::string_view(chunk.data(), chunk.size()).find('\0');
        long long line = line_;
        for (std::size_t k = 0; k < z; ++k)
            if (chunk[k] == '\n' || (chunk[k] == '\r' && (k + 1 >= chunk.size() || chunk[k + 1] != '\n') &&
                                     (k == 0 || chunk[k - 1] != '\r')))
                ++line;
        throw SpectrumReadError{line, utf16_ ? "text in UTF-16 (save the file as plain text, ANSI or UTF-8)"
                                             : "binary data (the file is not a text file)"};
    }
    std::size_t pos = 0;
    const std::size_t n = chunk.size();
    if (crRun_ > 0) {
        // The CRs after a line's end continue from the previous chunk.
        while (pos < n && chunk[pos] == '\r') ++crRun_, ++pos;
        if (pos == n) return;
        EndCarriageReturns(chunk[pos] == '\n');
        if (chunk[pos] == '\n') ++pos;
    }
    while (pos < n) {
        // Find the next line end (CR or LF).
        std::size_t e = pos;
        while (e < n && chunk[e] != '\n' && chunk[e] != '\r') ++e;
        // The line so far: the part held from earlier chunks and this chunk's part.
        if (pending_.size() + (e - pos) > kMaxSpectrumLine)
            throw SpectrumReadError{line_, "a line longer than " + std::to_string(kMaxSpectrumLine) +
                                               " characters (the file is not a two-column text file)"};
        if (e == n) {
            pending_.append(chunk.data() + pos, n - pos);
            return;
        }
        if (pending_.empty()) {
            ProcessLine(chunk.substr(pos, e - pos));
            ++line_;
        } else {
            pending_.append(chunk.data() + pos, e - pos);
            EndLine();
        }
        pos = e + 1;
        if (chunk[e] == '\r') {
            crRun_ = 1;
            while (pos < n && chunk[pos] == '\r') ++crRun_, ++pos;
            if (pos == n) return;  // decided by the next chunk
            EndCarriageReturns(chunk[pos] == '\n');
            if (chunk[pos] == '\n') ++pos;
        }
    }
}

void TwoColumnReader::EndCarriageReturns(bool lineFeedFollows) {
    // CR-LF and CR CR LF (a CR-LF file converted once more) end one line; CRs without LF are old
    // Macintosh line ends, the first of which ended the line already.
    if (!lineFeedFollows) line_ += crRun_ - 1;
    crRun_ = 0;
}

void TwoColumnReader::Finish() {
    if (atStart_ && !head_.empty()) {
        atStart_ = false;
        const std::string head = std::move(head_);
        head_.clear();
        FeedText(head);
    }
    if (crRun_ > 0) EndCarriageReturns(false);
    if (!pending_.empty()) EndLine();
}

void TwoColumnReader::ProcessLine(std::string_view line) {
    if (line.empty()) return;
    // A line wrapped in double quotes: drop the first and the last character.
    if (line.front() == '"') line = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string_view();
    line = TrimView(line);
    // Only a line holding the mark not (yet) in use can tell or contradict; most lines are
    // passed by one search.
    const bool mayTell = marks_.Mark() == DecimalMark::Comma
                             ? line.find('.') != std::string_view::npos
                             : line.find(',') != std::string_view::npos &&
                                   (!marks_.Decided() || line.find_first_of("\t; ") != std::string_view::npos);
    const bool undecidedPoint = !marks_.Decided() && line.find('.') != std::string_view::npos;
    if ((mayTell || undecidedPoint) && !marks_.Observe(line, line_))
        throw SpectrumReadError{line_, marks_.Contradiction(line)};
    const DecimalMark mark = marks_.Mark();
    if (mark == DecimalMark::Comma && commaExample_.empty())
        commaExample_ = std::string(line.substr(0, line.find_first_of("\t; ")));
    const LineFields f = SplitFields(line, mark);
    if (!f.separated) return;  // one field only: no point (x would be 0)

    double x = 0.0, y = 0.0;
    const FieldValue xRead = ReadField(f.first, mark, x);
    if (xRead == FieldValue::NotANumber) return;  // a heading: x would be 0, which is no point
    if (xRead == FieldValue::NonFinite)
        throw SpectrumReadError{line_, "the wavelength " + QuotedField(f.first) + " is not a finite number"};
    const FieldValue yRead = ReadField(f.second, mark, y);
    if (yRead == FieldValue::NonFinite)
        throw SpectrumReadError{line_, "the intensity " + QuotedField(f.second) + " is not a finite number"};

    constexpr double fmax = std::numeric_limits<float>::max();
    if (!(std::fabs(x) <= fmax) || !(std::fabs(y) <= fmax))
        throw SpectrumReadError{line_, "a value too large for a single-precision number"};
    if (nanometreRule_) {
        // Wavelengths below 1000 are taken as nm and turned into Å.
        if (x < 1000.0) x *= 10.0;
        if (!(static_cast<float>(x) > 1000.0f)) return;  // not a point: the next line takes its place
    } else if (!(static_cast<float>(x) > 0.0f)) {
        return;  // no wavelength or wavenumber: a heading or a blank field
    }
    if (yRead == FieldValue::NotANumber)
        throw SpectrumReadError{line_, f.second.empty()
                                           ? "no intensity after the wavelength"
                                           : "the intensity " + QuotedField(f.second) + " is not a number"};

    if (count_ >= kMaxSpectrumPoints)
        throw SpectrumReadError{line_, "more than " + std::to_string(kMaxSpectrumPoints) + " points"};
    if (y > maxY_) maxY_ = y;
    ++count_;
    if (points_) {
        points_->x.push_back(x);
        points_->y.push_back(y);
        return;
    }
    exp_->ExpXRaw(count_ - 1) = static_cast<float>(x);
    exp_->ExpYRaw(count_ - 1) = static_cast<float>(y);
    // The arrays grow by 500 entries each time the count reaches their upper bound.
    if (count_ >= exp_->ExpYRaw.Hi()) {
        const int hi = count_ + kGrowthStep;
        exp_->ExpXRaw.ResizePreserve(hi);
        exp_->ExpYRaw.ResizePreserve(hi);
    }
}

std::string FeedFile(TwoColumnReader& reader, const std::string& path) {
    try {
        RegularFile file(path);
        std::vector<char> buffer(kChunkSize);
        for (std::size_t got; (got = file.Read(buffer.data(), buffer.size())) > 0;)
            reader.Feed(std::string_view(buffer.data(), got));
        file.CheckUnchanged();
        reader.Finish();
    } catch (const FileError& e) {
        return e.what();
    } catch (const SpectrumReadError& e) {
        return e.line > 0 ? path + ", line " + std::to_string(e.line) + ": " + e.problem : path + ": " + e.problem;
    } catch (const std::bad_alloc&) {
        return path + ": not enough memory for the spectrum";
    }
    return "";
}

std::string DecimalCommaNotice(const TwoColumnReader& reader, const std::string& path) {
    if (reader.Marks().Mark() != DecimalMark::Comma) return "";
    double example = 0.0;
    ReadField(reader.CommaExample(), DecimalMark::Comma, example);
    return path + ": the numbers have decimal commas (line " + std::to_string(reader.Marks().DecidedAt()) + ": " +
           QuotedField(reader.CommaExample()) + " is read as " + Trim(Str(example)) + ")";
}

std::string NoPointProblem(bool nanometreRule) {
    return nanometreRule ? "no point with a wavelength above 1000 Å (100 nm) was found"
                         : "no point with an x above 0 was found";
}

bool ReadTwoColumn(ExperimentState& exp, const std::string& path, Dialogs& dialogs, bool nanometreRule) {
    if (exp.ExpXRaw.Empty() || exp.ExpYRaw.Empty()) InitExperimentArrays(exp);
    // The raw arrays grow while reading; the others follow once at the end.
    exp.ExpYRaw.ResizePreserve(std::max(exp.ExpYRaw.Hi(), exp.ExpXRaw.Hi()));
    exp.ExpXRaw.ResizePreserve(exp.ExpYRaw.Hi());
    exp.ReadProblem.clear();

    TwoColumnReader reader(exp, nanometreRule);
    exp.ReadNotice.clear();
    auto fail = [&](const std::string& problem) {
        exp.ReadProblem = problem;
        const int last = reader.Count() - 1;
        GrowExperimentArrays(exp, exp.ExpXRaw.Hi());
        exp.ExpPoints = last;
        dialogs.ShowMessage(std::string(kReadFailureMessage) + "\r\n\r\n" + problem);
        return false;
    };

    if (const std::string problem = FeedFile(reader, path); !problem.empty()) return fail(problem);

    const int last = reader.Count() - 1;
    GrowExperimentArrays(exp, exp.ExpXRaw.Hi());
    exp.ExpPoints = last;
    const double m = reader.MaxY();
    for (int i = 0; i <= last; ++i) {
        if (m != 0.0) exp.ExpYRaw(i) = static_cast<float>(static_cast<double>(exp.ExpYRaw(i)) * 100.0 / m);
        exp.ExpX(i) = exp.ExpXRaw(i);
        exp.ExpY(i) = exp.ExpYRaw(i);
    }
    if (last < 0) {
        exp.ReadProblem = path + ": " + NoPointProblem(nanometreRule);
        dialogs.ShowMessage(std::string(kReadFailureMessage) + "\r\n\r\n" + exp.ReadProblem);
    } else {
        exp.ReadNotice = DecimalCommaNotice(reader, path);
    }
    return last > 1;
}

void WriteModifiedSpectrum(const ExperimentState& exp, const std::string& path) {
    AtomicTextWriter out(path);
    std::string line;
    for (int i = 0; i <= exp.ExpPoints && i <= exp.ExpX.Hi() && i <= exp.ExpY.Hi(); ++i) {
        // The digits on both sides of the point ("3000.0   ,  0.0000"), as the simulated spectra.
        line = Format(exp.ExpX(i), "####0.0###  ");
        line += Format(exp.ExpY(i), " ,  ###0.0000");
        out.WriteLine(line);
    }
    out.Commit();
}

}  // namespace velmora::experiment
