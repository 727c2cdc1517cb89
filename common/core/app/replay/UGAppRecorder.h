// Input recording: a plug-in between the input plug-in and the application object that writes
// every call passing it into a ".rec" text file, one command per line, so that the run can be
// replayed frame for frame. The file starts with the random seed and a packed copy of the player
// data folder, so that a replay starts from the same state.
#pragma once

#include "app/UGAppPlugin.h"

#include <memory>
#include <string>

#include "io/UGStream.h"

// Packs a folder (files and subfolders) into a new archive file, and unpacks one into a folder.
// The archive code registers them; recording and playback of the data folder need them.
using TGFolderPacker = void (*)(const std::string& Folder, const std::string& ArchiveFile);
using TGFolderUnpacker = void (*)(const std::string& ArchiveFile, const std::string& Folder);
void SetFolderArchiver(TGFolderPacker Packer, TGFolderUnpacker Unpacker);

// The folder packed into an archive, compressed with zlib at its fastest and Base64-encoded;
// the temporary archive "$$$.sfs" goes to TempFolder and is deleted afterwards.
std::string CompressFolder(const std::string& Folder, const std::string& TempFolder);
// The reverse: Folder is deleted with everything in it, then filled from Text.
void DecompressFolder(const std::string& Text, const std::string& Folder,
                      const std::string& TempFolder);

class TGAppRecorder : public TGAppPlugin {
  G_CLASS(TGAppRecorder, TGAppPlugin)
  explicit TGAppRecorder(const std::string& AFileName);
  explicit TGAppRecorder(TGObject* AOwner = nullptr)
      : TGAppRecorder(std::string()) {
    SetOwner(AOwner);
  }

  const std::string& FileName() const { return FFileName; }

  void Initialize() override;
  void Finalize() override;
  void AppActivate() override;
  void AppDeactivate() override;
  void KeyDown(uint16_t Key) override;
  void KeyPress(char32_t Key) override;
  void KeyUp(uint16_t Key) override;
  void MouseWheelUp() override;
  void MouseWheelDown() override;
  void MouseMove(const TGPoint& Pos) override;
  void MouseDown(int Button) override;
  void MouseUp(int Button) override;
  void DblClick() override;
  void Draw(int64_t TickCount, bool& Success) override;
  void Idle(int64_t TickCount) override;

  // One line, CR LF added: "Cannot save data to .rec file" when it cannot be written.
  void StoreCommand(const std::string& Text);
  void StoreCommand(const std::string& Name, int32_t N);
  void StoreCommand(const std::string& Name, int32_t N1, int32_t N2);
  // The data folder packed for the file's second line.
  std::string GetCompressedDataFolder();

protected:
  void Destroy() override;

private:
  std::string FFileName;
  std::unique_ptr<TGFileStream> FFile;
};
