#include "app/ui/NotebookWiring.h"

#include "app/AppPaths.h"
#include "app/DeviceActions.h"
#include "notebook/ui/TfrmNoteBig.h"

namespace drumo {

class NotebookWiring::GraphsRelay final : public NotebookGraphs {
public:
    NotebookGraphs* t = nullptr;

    void DestroyLines() override { if (t) t->DestroyLines(); }
    void CreateLines(int count) override { if (t) t->CreateLines(count); }
    void SetLineCaption(int line, const std::string& caption) override { if (t) t->SetLineCaption(line, caption); }
    void SetLeftAxisCaption(const std::string& caption) override { if (t) t->SetLeftAxisCaption(caption); }
    void AddPoint(int line, DateTime time, double value) override { if (t) t->AddPoint(line, time, value); }
    void ShowGraphWindow() override { if (t) t->ShowGraphWindow(); }
    void SetGraphStatus(const std::string& text) override { if (t) t->SetGraphStatus(text); }
    void GraphShowAll() override { if (t) t->GraphShowAll(); }
    void ClearTrend() override { if (t) t->ClearTrend(); }
    void AddTrendPoint(double x, double y) override { if (t) t->AddTrendPoint(x, y); }
    bool TrendInGround() const override { return t && t->TrendInGround(); }
    bool TrendAutoZoom() const override { return t && t->TrendAutoZoom(); }
    void SetTrendStatus(int panel, const std::string& text) override { if (t) t->SetTrendStatus(panel, text); }
    void SetPositionAxis(int kind, int lo, int hi) override { if (t) t->SetPositionAxis(kind, lo, hi); }
    void TrendShowAll() override { if (t) t->TrendShowAll(); }
};

NotebookWiring::NotebookWiring(Station& station, Operator& op, std::function<std::string()> archiveFolder,
                               NotebookGraphs* graphs)
    : station_(station), graphs_(std::make_unique<GraphsRelay>()) {
    graphs_->t = graphs;
    window_ = std::make_unique<TfrmNoteBig>(station, op, *graphs_, ProgramVersion());
    window_->SetArchiveFolder(std::move(archiveFolder));
    station_.Store().Events().Subscribe(this);
    UpdateInfoButton();
}

NotebookWiring::~NotebookWiring() {
    station_.Store().Events().Unsubscribe(this);
    window_.reset();
}

void NotebookWiring::SetGraphs(NotebookGraphs* graphs) { graphs_->t = graphs; }

void NotebookWiring::ShowWindow() {
    UpdateInfoButton();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void NotebookWiring::OpenCommand() { window_->OpenCommand(); }

void NotebookWiring::SaveCommand() { window_->SaveCommand(); }

void NotebookWiring::OpenFromCommandLine(const std::string& path) {
    ShowWindow();
    window_->Engine().Open(path);
}

void NotebookWiring::OpenNotebook(const std::string& fileName) { window_->Engine().Open(fileName); }

void NotebookWiring::StopReading() { window_->Engine().Stop(); }

void NotebookWiring::UpdateInfoButton() {
    const DeviceActionSet set = DeviceActionsFor(DeviceActionInputOf(station_.Store()));
    if (set.NotebookInfo) window_->InfoButton().setVisible(*set.NotebookInfo);
}

}  // namespace drumo
