#include "notebook/Notebook.h"

#include "files/ArchiveFiles.h"
#include "files/ArchiveFormat.h"
#include "model/Formats.h"
#include "notebook/NotebookFile.h"


namespace drumo {

namespace {

const char* const kUnsignedSaveRefusal = "Данные не имеют юридической силы.\r\nСохранение запрещено";
const char* const kReceptionQuestion =
    "Идет автоматический прием данных.\r\nОстановить прием и продолжить работу с Блокнотом?";

std::string ZeroPadded(int value, size_t width) {
    std::string text;
    AppendZeroPadded(text, value, width);
    return text;
}

}  // namespace

Notebook::Notebook(Station& station, Operator& op, NotebookView& view, NotebookGraphs& graphs, std::string version)
    : station_(station),
      op_(op),
      view_(view),
      graphs_(graphs),
      version_(std::move(version)),
      reader_({station.Bus(), station.Time(), station.Events(), op}, &view) {}

bool Notebook::DeviceReady() const {
    const MeasurementStore& store = station_.Store();
    return !store.ArchiveLoaded() && store.DeviceCount() != 0 && store.HasDevice(store.SelDevice());
}

NotebookDevice Notebook::SelectedDevice() const {
    const MeasurementStore& store = station_.Store();
    const TDevSig& dev = store.DevSig(store.SelDevice());
    return {dev.DevType, dev.Address, station_.SearchSettingsInUse().Protocol == ExchangeProtocol::Modbus};
}

void Notebook::Clear() {
    status_.clear();
    view_.Status(status_);
    view_.PanelLines({});
    view_.Unsigned(false);
    records_ = 0;
    table_.Clear();
    noteFromFile_ = false;
    incomplete_ = empty_ = false;
    receivedWords_ = receivedPages_ = 0;
    view_.TableChanged();
}

bool Notebook::ReadInfo() {
    if (!DeviceReady()) return false;
    bool ok;
    {
        const LineLease line = station_.Take(LineUser::Notebook);
        if (!line) return false;
        ok = reader_.ReadInfo(SelectedDevice(), info_);
    }
    reader_.Error = !ok;
    if (!ok) return false;
    view_.PanelLines(InfoPanelLines(info_, mark_ ? mark_ : DecimalMark()));
    return true;
}

void Notebook::ShowLoadStatus() {
    const std::string start = std::to_string(reader_.Bytes) + " bytes read over " + std::to_string(reader_.Blocks) +
                              " data burst containing " + std::to_string(records_) + " log entry with ";
    status_ = reader_.Error ? start + "critical failure!"
                            : start + std::to_string(reader_.Failures) + " revised failure";
    view_.Status(status_);
}

bool Notebook::Load() {
    if (!DeviceReady()) return false;
    Clear();
    const TDevSig& dev = station_.Store().DevSig(station_.Store().SelDevice());
    header_ = dev.TypeName + " SN:" + ZeroPadded(dev.Serial, 5) + " firmware:" + dev.Firmware;
    const NotebookDevice device = SelectedDevice();
    if (device.DevType != PagedNotebookType) {
        if (!ReadInfo()) return false;
        empty_ = info_.Records == 0;
        if (empty_) return false;
    }
    LineLease line = station_.Take(LineUser::Notebook);
    if (!line) return false;
    view_.Busy(true);
    const char mark = mark_ ? mark_ : DecimalMark();
    bool complete = false, parsed = false;
    std::string partial;  // how much of an early-ended read arrived
    if (device.DevType == PagedNotebookType) {
        std::vector<std::array<uint8_t, NotebookPageBytes>> pages;
        complete = reader_.ReadPages(pages);
        receivedPages_ = static_cast<int>(pages.size());
        // A stopped read leaves the table cleared; a failed one keeps the pages that arrived.
        if (complete || (!reader_.Stopped && !pages.empty())) {
            int filled = 0;
            for (size_t i = 0; i < pages.size(); ++i) {
                if (ParsePage(pages[i], filled, static_cast<int>(i) + 1, mark, table_)) ++filled;
            }
            reader_.Blocks = filled;
            reader_.Bytes = NotebookPageBytes * filled;
            records_ = filled;
            if (filled > 0) table_.SetRowCount(3 * filled);
            if (complete) {
                view_.PanelLines(PagePanelLines(filled, mark));
                empty_ = filled == 0;
            } else {
                partial = "Блокнот считан не полностью: страниц " + std::to_string(receivedPages_) + " из " +
                          std::to_string(NotebookPages) + ".";
            }
        }
        view_.TableChanged();
    } else {
        std::vector<int16_t> words;
        parsed = reader_.ReadBlocks(device, info_.UsedWords, words);
        if (parsed) {
            receivedWords_ = static_cast<int>(words.size());
            if (reader_.Error || receivedWords_ < info_.UsedWords) {
                // Only whole records are shown: the one the read cut short would show wrong values.
                reader_.Error = true;
                ShowRecords(words, WholeRecords(words, info_.Records));
                partial = "Блокнот считан не полностью: записей " + std::to_string(records_) + " из " +
                          std::to_string(info_.Records) + ", слов " + std::to_string(receivedWords_) + " из " +
                          std::to_string(info_.UsedWords) + ".";
            } else {
                ShowRecords(words, info_.Records);
            }
        }
        complete = parsed && !reader_.Error;
    }
    line.Release();  // before the warning about a read that ended early
    ShowLoadStatus();
    view_.Busy(false);
    if (!partial.empty()) MarkIncomplete(std::move(partial));
    if (parsed) OfferForGraph(0, records_ - 1);
    return complete;
}

void Notebook::MarkIncomplete(std::string note) {
    incomplete_ = true;
    view_.Unsigned(true);
    op_.Warning(note + "\r\nДанные не имеют юридической силы.");
}

void Notebook::ShowRecords(std::span<const int16_t> words, int records) {
    records_ = records;
    ParseRecords(words, records_, mark_ ? mark_ : DecimalMark(), table_);
    view_.TableChanged();
}

bool Notebook::Erase() {
    if (!DeviceReady()) return false;
    // One misclick would otherwise destroy a season of readings that exist nowhere else.
    if (!op_.AskDanger("Стереть всю информацию в Блокноте контроллера?")) return false;
    bool ok;
    {
        const LineLease line = station_.Take(LineUser::Notebook);
        if (!line) return false;
        ok = reader_.Erase(SelectedDevice());
    }
    if (ok) Clear();
    return ok;
}

std::string Notebook::SaveName(const std::string& chosenName, int filterIndex) {
    const std::string extension = filterIndex == 2 ? ".xls" : ".dmn";
    const size_t slash = chosenName.rfind('/');
    const size_t dot = chosenName.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? chosenName.substr(0, dot) : chosenName) + extension;
}

bool Notebook::Save(const std::string& chosenName, int filterIndex) {
    // A table that lacks a confirmed signature, or that a failed read left incomplete, is not
    // saved as the device's notebook.
    if ((noteFromFile_ && !noteSigned_) || incomplete_) {
        op_.Error(kUnsignedSaveRefusal);
        return false;
    }
    const std::string name = SaveName(chosenName, filterIndex);
    if (FileExists(name) && !op_.AskDanger("Файл " + name + " уже существует.\r\nЗаменить?")) return false;
    return SaveFile(name);
}

bool Notebook::SaveFile(const std::string& fileName) {
    view_.Busy(true);
    const NotebookWrite result =
        WriteNotebookFile(fileName, table_, header_, version_, station_.Time().Now(), !incomplete_);
    view_.Busy(false);
    switch (result) {
    case NotebookWrite::Ok: return true;
    case NotebookWrite::CannotCreate:
        op_.Error("Не удалось создать файл " + fileName + "\r\nВозможно установлена защита от записи");
        return false;
    case NotebookWrite::WriteFailed:
        op_.Error("Критическая ошибка при сохранении файла " + fileName);
        return false;
    }
    return false;
}

bool Notebook::Open(const std::string& fileName) {
    const std::string notNotebook = "Файл " + fileName + "\r\nне является файлом Блокнота или поврежден";
    if (!HasNotebookEnding(fileName)) {
        op_.Error(notNotebook);
        return false;
    }
    view_.Busy(true);
    const NotebookFileResult r = ReadNotebookFile(fileName, mark_ ? mark_ : DecimalMark(), table_);
    view_.Busy(false);
    if (r.Status == NotebookFileStatus::CannotOpen) {
        op_.Error("Ошибка при доступе к файлу " + fileName + "\r\nВозможно файл не существует");
        return false;
    }
    // The file is open: the view was cleared before reading.
    noteSigned_ = r.Signed;
    NotebookTable read = std::move(table_);
    Clear();
    if (r.Status == NotebookFileStatus::NotNotebook) {
        op_.Error(notNotebook);
        return false;
    }
    if (r.Status == NotebookFileStatus::NoData) {
        op_.Error("Файл " + fileName + "\r\nне содержит данных");
        return false;
    }
    table_ = std::move(read);
    header_ = r.Header;
    view_.TableChanged();
    if (!noteSigned_) {
        if (!op_.Ask("Файл " + fileName + "\r\nне имеет электронной подписи!\r\nДанные не имеют юридической силы." +
                     "\r\nВсе равно продолжить?")) {
            Clear();
            return false;
        }
        view_.Unsigned(true);
    }
    noteFromFile_ = true;
    records_ = r.Records;
    status_ = "Файл " + fileName + " (записей: " + std::to_string(records_) + ")" +
              (noteSigned_ ? "" : ". Подпись отсутствует!");
    view_.Status(status_);
    OfferForGraph(0, records_ - 1);
    return true;
}

bool Notebook::AskStopReception() {
    return !station_.Store().Receiving() || op_.Ask(kReceptionQuestion);
}

bool Notebook::OfferForGraph(int first, int last) {
    if (!OfferableRun(table_, first, last)) return false;
    if (!op_.Ask("Данные Блокнота собраны с одной термокосы.\r\nВывести на График?")) return false;
    if (!AskStopReception()) return false;
    if (station_.Store().Receiving()) station_.StopReception();
    station_.Store().SetNotebookOnGraphs(true);
    graphs_.DestroyLines();
    graphs_.ClearTrend();
    const GraphRun run = DrawRun(table_, first, last, mark_ ? mark_ : DecimalMark(), graphs_);
    graphs_.ShowGraphWindow();
    if (run.Undefined > 0)
        op_.Info("Записей Блокнота имеющих неопределенный формат времени: " + std::to_string(run.Undefined) + " из " +
                 std::to_string(last - first + 1));
    graphs_.SetGraphStatus("Измерений: " + std::to_string(run.Records) + "/•" + std::to_string(run.Points));
    graphs_.GraphShowAll();
    return true;
}

void Notebook::Convert(int topRow, int bottomRow) {
    if (topRow < 0 || bottomRow < topRow) return;
    OfferForGraph(topRow / 3, (bottomRow - 1) / 3);
}

bool Notebook::SelectRow(int row) {
    if (records_ == 0 || Reading() || row <= 0 || row / 3 >= records_) return false;
    if (!AskStopReception()) return false;
    if (station_.Store().Receiving()) station_.StopReception();
    station_.Store().SetNotebookOnGraphs(true);
    graphs_.ClearTrend();
    DrawRecordInTrend(table_, row, mark_ ? mark_ : DecimalMark(), graphs_);
    return true;
}

}  // namespace drumo
