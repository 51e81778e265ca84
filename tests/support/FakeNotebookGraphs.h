#pragma once
// Graph windows that record what the notebook asks of them, each call as a line of text.

#include "notebook/NotebookGraphs.h"

#include <string>
#include <vector>

namespace drumo::test {

class FakeNotebookGraphs final : public NotebookGraphs {
public:
    std::vector<std::string> Calls;
    std::vector<std::vector<std::pair<DateTime, double>>> Lines;  // [line - 1]
    std::vector<std::pair<double, double>> TrendPoints;
    std::vector<std::string> Captions;
    bool InGround = false;
    bool AutoZoom = false;

    void DestroyLines() override { Calls.push_back("DestroyLines"); }
    void CreateLines(int count) override {
        Calls.push_back("CreateLines " + std::to_string(count));
        Lines.assign(count, {});
        Captions.assign(count, {});
    }
    void SetLineCaption(int line, const std::string& caption) override { Captions.at(line - 1) = caption; }
    void SetLeftAxisCaption(const std::string& caption) override { Calls.push_back("LeftAxis " + caption); }
    void AddPoint(int line, DateTime time, double value) override { Lines.at(line - 1).push_back({time, value}); }
    void ShowGraphWindow() override { Calls.push_back("ShowGraphWindow"); }
    void SetGraphStatus(const std::string& text) override { Calls.push_back("GraphStatus " + text); }
    void GraphShowAll() override { Calls.push_back("GraphShowAll"); }
    void ClearTrend() override { Calls.push_back("ClearTrend"); }
    void AddTrendPoint(double x, double y) override { TrendPoints.push_back({x, y}); }
    bool TrendInGround() const override { return InGround; }
    bool TrendAutoZoom() const override { return AutoZoom; }
    void SetTrendStatus(int panel, const std::string& text) override {
        Calls.push_back("TrendStatus " + std::to_string(panel) + " " + text);
    }
    void SetPositionAxis(int kind, int lo, int hi) override {
        Calls.push_back("PositionAxis " + std::to_string(kind) + " " + std::to_string(lo) + " " + std::to_string(hi));
    }
    void TrendShowAll() override { Calls.push_back("TrendShowAll"); }
};

}  // namespace drumo::test
