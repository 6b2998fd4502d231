#include "service/host/StatusPageHtml.h"

namespace tarnel {

const char* const kStatusPageHtml = R"HTML(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="tarnel-token" content="%TOKEN%">
<title>Tarnel Service</title>
<style>
  body { font: 13px sans-serif; background: #F0F0F0; margin: 0; }
  #window { margin: 12px; border: 1px solid #888; width: 760px; background: #F0F0F0; }
  #titlebar { display: flex; justify-content: space-between; align-items: center;
              background: #2B579A; color: #FFF; padding: 4px 8px; }
  #btnClose { background: #C42B1C; color: #FFF; border: 0; width: 28px; height: 22px;
              cursor: pointer; }
  #btnClose:disabled { background: #999; cursor: default; }
  .row { display: flex; gap: 8px; align-items: center; margin: 6px 8px; }
  .box { display: inline-block; min-width: 80px; min-height: 16px; padding: 2px 4px;
         border: 1px inset #AAA; background: #FFF; white-space: pre; }
  .wide { min-width: 220px; }
  #body { display: flex; gap: 8px; margin: 8px; }
  #listCalcs { width: 200px; height: 300px; }
  fieldset { flex: 1; }
  table td { padding: 2px 4px; }
</style>
</head>
<body>
<div id="window">
  <div id="titlebar"><span id="caption"></span>
    <button id="btnClose" title="Close">&#x2715;</button></div>
  <div class="row">
    <span id="lblServer"></span><span id="txtServer" class="box wide"></span>
    <span id="lblNode"></span><span id="txtNode" class="box"></span>
  </div>
  <div class="row">
    <span id="lblStatus"></span><span id="txtStatus" class="box wide"></span>
    <label><input type="checkbox" id="chkCanClose"> <span id="chkCaption"></span></label>
  </div>
  <div id="body">
    <select id="listCalcs" size="20"></select>
    <fieldset><legend id="fraCalc"></legend>
      <table>
        <tr><td id="lblPressure"></td><td><span id="txtPtag" class="box wide"></span></td>
            <td><span id="txtP" class="box"></span></td><td><span id="txtPeu" class="box"></span></td></tr>
        <tr><td id="lblTemperature"></td><td><span id="txtTtag" class="box wide"></span></td>
            <td><span id="txtT" class="box"></span></td><td><span id="txtTeu" class="box"></span></td></tr>
        <tr><td id="lblPcrit"></td><td><span id="txtPcTag" class="box wide"></span></td>
            <td><span id="txtPcrit" class="box"></span></td><td><span id="txtPcriteu" class="box"></span></td></tr>
        <tr><td id="lblTcrit"></td><td><span id="txtTcTag" class="box wide"></span></td>
            <td><span id="txtTcrit" class="box"></span></td><td><span id="txtTcriteu" class="box"></span></td></tr>
        <tr><td id="lblAcentric"></td><td><span id="txtAcentricTag" class="box wide"></span></td>
            <td><span id="txtAcentric" class="box"></span></td><td></td></tr>
        <tr><td id="lblZ"></td><td><span id="txtZtag" class="box wide"></span></td>
            <td><span id="txtZ" class="box"></span></td><td><span id="txtZStatus" class="box"></span></td></tr>
        <tr><td id="lblVapourVol"></td><td></td>
            <td><span id="txtVapourVol" class="box"></span></td><td id="lblVapourUnit"></td></tr>
        <tr><td id="lblLiquidVol"></td><td></td>
            <td><span id="txtLiquidVol" class="box"></span></td><td id="lblLiquidUnit"></td></tr>
      </table>
    </fieldset>
  </div>
  <div class="row" id="pageState"></div>
</div>
<script>
"use strict";
const token = document.querySelector('meta[name="tarnel-token"]').content;
const list = document.getElementById("listCalcs");
const check = document.getElementById("chkCanClose");
const closeButton = document.getElementById("btnClose");
const pageState = document.getElementById("pageState");
let streams = null;

for (const el of [list, check, closeButton]) el.disabled = token === "";
if (token === "") pageState.textContent = "Read-only: actions are accepted only on this computer.";

function render(w) {
  document.title = w.caption;
  document.getElementById("caption").textContent = w.caption;
  for (const [name, c] of Object.entries(w.controls)) {
    const el = document.getElementById(name);
    if (!el || !("text" in c)) continue;
    el.textContent = c.text;
    el.style.visibility = c.visible ? "visible" : "hidden";
    el.style.color = c.foreColor;
    el.style.backgroundColor = c.backColor;
  }
  document.getElementById("fraCalc").textContent = w.controls.fraCalc.caption;
  document.getElementById("chkCaption").textContent = w.controls.chkCanClose.caption;
  check.checked = w.controls.chkCanClose.value;
  const l = w.controls.listCalcs;
  if (JSON.stringify(l.items) !== JSON.stringify(streams)) {
    streams = l.items;
    list.replaceChildren(...streams.map(s => new Option(s, s)));
  }
  list.selectedIndex = l.selected;
}

async function refresh() {
  try {
    const r = await fetch("/api/window", { cache: "no-store" });
    render(await r.json());
    if (token !== "") pageState.textContent = "";
  } catch (e) {
    pageState.textContent = "The service window is closed.";
  }
}

async function act(path, body) {
  try {
    await fetch(path, { method: "POST", headers: { "Content-Type": "application/json",
                        "X-Tarnel-Token": token }, body: JSON.stringify(body) });
  } finally {
    setTimeout(refresh, 100);
  }
}

list.addEventListener("change", () => act("/api/select", { position: list.selectedIndex }));
check.addEventListener("change", () => act("/api/canclose", { checked: check.checked }));
closeButton.addEventListener("click", () => act("/api/close", {}));
refresh();
setInterval(refresh, 1000);
</script>
</body>
</html>
)HTML";

}  // namespace tarnel
