#pragma once
// Tuner > Source...: where the card's channels come from. A network tuner by
// its address (Find looks for tuners), an M3U playlist (a file or a URL), a
// folder of recordings, or the simulated card with its sample stations. The
// dialog checks what was typed before it closes; the card stores and uses it.
#include <QDialog>
#include <optional>
#include <string>

#include "platform/core/Result.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace platform::tv::net {

class TunerFinder;

class SourceDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit SourceDialog(QWidget* parent = nullptr);
    ~SourceDialog() override;

    // Shows the source (a tvcard.ini value; "" the simulated card).
    void setSource(const std::string& value);
    // The chosen source as tvcard.ini keeps it, or the reason it will not do.
    Result<std::string> chosenSource() const;

    TunerFinder& finder() { return *finder_; }

    QRadioButton* optTuner = nullptr;
    QLineEdit* txtTuner = nullptr;
    QPushButton* cmdFind = nullptr;
    QListWidget* lstTuners = nullptr;
    QLabel* lblFind = nullptr;
    QRadioButton* optPlaylist = nullptr;
    QLineEdit* txtPlaylist = nullptr;
    QPushButton* cmdPlaylistBrowse = nullptr;
    QRadioButton* optFolder = nullptr;
    QLineEdit* txtFolder = nullptr;
    QPushButton* cmdFolderBrowse = nullptr;
    QRadioButton* optSimulated = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdFind_Click();
    void cmdOK_Click();

  private:
    void updateControls();

    TunerFinder* finder_ = nullptr;
};

// The Source dialog as the switching card asks for a source.
std::optional<std::string> askForSource(const std::string& current, QWidget* parent);
// Says what went wrong with a change of source.
void reportSourceProblem(const std::string& message, QWidget* parent);

}  // namespace platform::tv::net
