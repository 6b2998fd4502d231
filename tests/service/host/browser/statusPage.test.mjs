// The status page in a real browser: it loads, lists the streams, shows their
// values, follows a click on the list and refuses a close until the box is
// ticked. Usage: node statusPage.test.mjs <path of TarnelSvc>
import { execFileSync, spawn } from "node:child_process";
import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { createRequire } from "node:module";

const SKIP = 77;
const require = createRequire(import.meta.url);
let chromium;
try {
  ({ chromium } = require("playwright-core"));
} catch {
  console.log("playwright-core is not installed (make test installs it); skipped");
  process.exit(SKIP);
}

const [tarnelSvc, regsvr, pellonar] = process.argv.slice(2);
const home = fs.mkdtempSync(path.join(os.tmpdir(), "tarnel-browser-"));
// The service creates its Gas object from the registry: register the component there.
const registry = path.join(home, "registry");
execFileSync(regsvr, [pellonar], { env: { ...process.env, TARNEL_REGISTRY: registry } });
const write = (name, text) => fs.writeFileSync(path.join(home, name), text);
write("TarnelSvc.ini", `[Tarnel Service]
Visible=yes
StatusPort=0
StartupDelaySeconds=1
TagDef=Streams.csv
OpcServer=Tarnel.Simulation
`);
write("Streams.csv", `Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description
NG-1,PT-1,TT-1,ZI-1,45.99,190.56,0.011,bar,deg C,ZS-1,Natural gas to turbine
C3-2,PT-2,TT-2,ZI-2,PC-2,369.83,0.152,kPaA,K,ZS-2,Propane header
`);
write("Simulation.csv", `Seconds,Item,Action,Value,Quality,Low,High,Step,Seed
0,PT-1,value,0
0,TT-1,value,15
0,PT-2,value,500
0,TT-2,value,320
0,PC-2,value,4248
`);

// setpriv makes the kernel kill the service when this test process dies.
const service = spawn("setpriv", ["--pdeathsig", "KILL", tarnelSvc, "-debug"], {
  env: { ...process.env, TARNEL_HOME: home, TARNEL_REGISTRY: registry },
  stdio: "ignore",
});
const exited = new Promise((resolve) => service.on("exit", (code) => resolve(code)));

async function eventually(what, check, limitMs = 60000) {
  const deadline = Date.now() + limitMs;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

function pageAddress() {
  const log = fs.existsSync(path.join(home, "TarnelService.log"))
    ? fs.readFileSync(path.join(home, "TarnelService.log"), "latin1") : "";
  const match = /Status page at (http:\/\/127\.0\.0\.1:\d+\/)/.exec(log);
  return match && match[1];
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), "tarnel-chromium-"));
let context;
let failed = false;
try {
  const url = await eventually("the status page address in the log", pageAddress);
  context = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  const page = context.pages()[0] ?? await context.newPage();
  await page.goto(url);
  const text = (id) => page.locator(`#${id}`).textContent();

  await eventually("the stream list", async () =>
    (await page.locator("#listCalcs option").allTextContents()).join() === "NG-1,C3-2");
  assert.equal(await page.title(), "Orrin - Gas Compressibility Factor OPC Client Service");
  assert.equal(await text("lblServer"), "OPC Server");
  assert.equal(await text("txtServer"), "Tarnel.Simulation");
  assert.equal(await text("chkCaption"), "Allow user to abort service");

  // Values arrive with the first data change and the page refreshes by itself.
  await eventually("Z of the first stream", async () => (await text("txtZStatus")) === "OK");
  assert.equal(await text("fraCalc"), "Natural gas to turbine");
  assert.equal(await text("txtZ"), "0.9975");
  assert.equal(await text("txtT"), "15.00");
  assert.equal(await text("txtPeu"), "bar (g)");
  assert.equal(await page.locator("#txtPcTag").isVisible(), false);

  await page.locator("#listCalcs").selectOption({ index: 1 });
  await eventually("the second stream in the frame", async () =>
    (await text("fraCalc")) === "Propane header");
  assert.equal(await text("txtPcTag"), "PC-2");
  assert.equal(await page.locator("#txtPcTag").isVisible(), true);
  assert.equal(await text("txtPeu"), "kPa (a)");

  await page.locator("#btnClose").click();
  await eventually("the refused close", async () =>
    (await text("txtStatus")) === " Shutdown the service using ControlPanel/Services if required");
  assert.equal(await page.locator("#txtStatus").evaluate((e) => e.style.color), "rgb(255, 0, 0)");
  if (process.env.TARNEL_SCREENSHOT) await page.screenshot({ path: process.env.TARNEL_SCREENSHOT });
  assert.equal(service.exitCode, null, "the service must still run");

  await page.locator("#chkCanClose").check();
  await eventually("the ticked box", async () =>
    (await (await page.request.get(url + "api/window")).json()).controls.chkCanClose.value);
  await page.locator("#btnClose").click();
  assert.equal(await Promise.race([exited, new Promise((r) => setTimeout(() => r("running"), 30000))]), 0);
  assert.match(fs.readFileSync(path.join(home, "TarnelService.log"), "latin1"),
               /Window closed from the status page \(127\.0\.0\.1\); service stopping/);
  console.log("status page: 1 passed, 0 failed");
} catch (e) {
  failed = true;
  console.error(e);
  console.error(fs.existsSync(path.join(home, "TarnelService.log"))
    ? fs.readFileSync(path.join(home, "TarnelService.log"), "latin1") : "(no log)");
} finally {
  if (context) await context.close();
  service.kill("SIGKILL");
  fs.rmSync(profile, { recursive: true, force: true });
  fs.rmSync(home, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
