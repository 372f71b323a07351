{ Compiles an HTML Help project (.hhp) into a .chm, as chmcmd does, with the
  project units of Free Pascal. The build compiles this program together with
  a corrected copy of Free Pascal's chmfilewriter unit (see chm_compiler.cmake):
  the unit of Free Pascal 3.2.2 puts the absolute folder of the project in
  front of every topic of the context map, and F1 then finds no topic.

  Usage: qb_chmcmd PROJECT.hhp   (the .chm is written to the current folder)
  Exit code 0 on success, 1 when the compiler reported an error or a warning. }
program qb_chmcmd;

{$mode objfpc}{$H+}

uses
  {$ifdef unix}cwstring,{$endif} Classes, SysUtils, chmfilewriter;

var
  Failed: Boolean = False;

procedure Report(Project: TChmProject; Kind: TChmProjectErrorKind; Msg: string; Level: Integer);
begin
  if (Kind = chmerror) or (Kind = chmwarning) then
  begin
    WriteLn(StdErr, ChmErrorKindText[Kind], ': ', Msg);
    Failed := True;
  end;
end;

var
  Project: TChmProject;
  Output: TFileStream;
begin
  if ParamCount <> 1 then
  begin
    WriteLn(StdErr, 'usage: qb_chmcmd PROJECT.hhp');
    Halt(2);
  end;
  Project := TChmProject.Create;
  try
    Project.OnError := @Report;
    Project.LoadFromHHP(ParamStr(1), False);
    Output := TFileStream.Create(Project.OutputFileName, fmCreate);
    try
      Project.WriteChm(Output);
    finally
      Output.Free;
    end;
    Project.ShowUndefinedAnchors;
  finally
    Project.Free;
  end;
  if Failed then
    Halt(1);
end.
