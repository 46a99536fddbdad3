#pragma once
// The GoogleTest side of the end-to-end harness: a fixture that owns the desktop and the
// programs, and on failure leaves a screenshot, the programs' stderr and the server logs
// in the build folder (tests/e2e/artifacts/<Suite>.<Test>.failure.png and .log).

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "e2e/x11_harness.h"

namespace tv::e2e {

// Screenshots and failure logs go to TOLVANE_E2E_ARTIFACT_DIR, which the harness library
// defines for every program that links it.

class E2eTest : public ::testing::Test {
  protected:
    // Starts a private desktop; call once, from the test or SetUp.
    Desktop& startDesktop(Desktop::Options options = {}) {
        desktop_ = std::make_unique<Desktop>(options);
        return *desktop_;
    }

    // Starts the program on the desktop (starting a bare desktop first if none runs).
    App& launch(const std::filesystem::path& binary, App::Options options = {}) {
        if (!desktop_) startDesktop();
        options.binary = binary;
        apps_.push_back(std::make_unique<App>(*desktop_, std::move(options)));
        return *apps_.back();
    }

    Desktop& desktop() { return *desktop_; }

    // A name for this test's files: "Suite.Test", parameters included, safe as a path.
    static std::string artifactName() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/' || c == ' ') c = '_';
        return name;
    }

    static std::filesystem::path artifactPath(const std::string& suffix) {
        return std::filesystem::path(TOLVANE_E2E_ARTIFACT_DIR) / (artifactName() + suffix);
    }

    void TearDown() override {
        if (HasFailure() && desktop_) saveEvidence();
        // Programs before the server, so they do not die of a lost display first.
        apps_.clear();
        desktop_.reset();
    }

  private:
    void saveEvidence() {
        std::filesystem::create_directories(TOLVANE_E2E_ARTIFACT_DIR);
        try {
            auto shot = artifactPath(".failure.png");
            desktop_->grabScreen().savePng(shot);
            std::cerr << "screen at failure: " << shot.string() << "\n";
        } catch (const std::exception& e) {
            std::cerr << "no screen at failure: " << e.what() << "\n";
        }
        std::ofstream log(artifactPath(".failure.log"));
        for (std::size_t i = 0; i < apps_.size(); ++i)
            log << "--- program " << i << " stderr:\n" << apps_[i]->stderrText() << "\n";
        log << desktop_->serverLog();
        std::cerr << "logs at failure: " << artifactPath(".failure.log").string() << "\n";
    }

    std::unique_ptr<Desktop> desktop_;
    std::vector<std::unique_ptr<App>> apps_;
};

}  // namespace tv::e2e
