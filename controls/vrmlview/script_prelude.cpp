// The value classes of the VRML97 ECMAScript binding and the Browser object, evaluated in every
// Script engine before the script itself (see ScriptEngine).
#include "controls/vrmlview/script_prelude.h"

const char* const kScriptPrelude = R"js(
class SFVec2f {
    constructor(x = 0, y = 0) { this.x = +x; this.y = +y; }
    add(v) { return new SFVec2f(this.x + v.x, this.y + v.y); }
    subtract(v) { return new SFVec2f(this.x - v.x, this.y - v.y); }
    multiply(s) { return new SFVec2f(this.x * s, this.y * s); }
    divide(s) { return new SFVec2f(this.x / s, this.y / s); }
    dot(v) { return this.x * v.x + this.y * v.y; }
    length() { return Math.sqrt(this.dot(this)); }
    normalize() { const l = this.length() || 1; return this.divide(l); }
    negate() { return new SFVec2f(-this.x, -this.y); }
    toString() { return this.x + " " + this.y; }
}
class SFVec3f {
    constructor(x = 0, y = 0, z = 0) { this.x = +x; this.y = +y; this.z = +z; }
    add(v) { return new SFVec3f(this.x + v.x, this.y + v.y, this.z + v.z); }
    subtract(v) { return new SFVec3f(this.x - v.x, this.y - v.y, this.z - v.z); }
    multiply(s) { return new SFVec3f(this.x * s, this.y * s, this.z * s); }
    divide(s) { return new SFVec3f(this.x / s, this.y / s, this.z / s); }
    dot(v) { return this.x * v.x + this.y * v.y + this.z * v.z; }
    cross(v) {
        return new SFVec3f(this.y * v.z - this.z * v.y, this.z * v.x - this.x * v.z, this.x * v.y - this.y * v.x);
    }
    length() { return Math.sqrt(this.dot(this)); }
    normalize() { const l = this.length() || 1; return this.divide(l); }
    negate() { return new SFVec3f(-this.x, -this.y, -this.z); }
    toString() { return this.x + " " + this.y + " " + this.z; }
}
class SFColor {
    constructor(r = 0, g = 0, b = 0) { this.r = +r; this.g = +g; this.b = +b; }
    toString() { return this.r + " " + this.g + " " + this.b; }
}
class SFRotation {
    // (x, y, z, angle), or (from vector, to vector): the turn that takes one onto the other.
    constructor(x = 0, y = 0, z = 1, angle = 0) {
        if (x instanceof SFVec3f && y instanceof SFVec3f) {
            const a = x.normalize(), b = y.normalize();
            let axis = a.cross(b);
            const turn = Math.acos(Math.max(-1, Math.min(1, a.dot(b))));
            if (axis.length() < 1e-9) axis = new SFVec3f(0, 1, 0);
            x = axis.x; y = axis.y; z = axis.z; angle = turn;
        }
        this.x = +x; this.y = +y; this.z = +z; this.angle = +angle;
    }
    getAxis() { return new SFVec3f(this.x, this.y, this.z); }
    inverse() { return new SFRotation(this.x, this.y, this.z, -this.angle); }
    quaternion() {
        const l = Math.sqrt(this.x * this.x + this.y * this.y + this.z * this.z) || 1, s = Math.sin(this.angle / 2);
        return [this.x / l * s, this.y / l * s, this.z / l * s, Math.cos(this.angle / 2)];
    }
    static fromQuaternion(q) {
        const w = Math.max(-1, Math.min(1, q[3])), s = Math.sqrt(1 - w * w);
        return s < 1e-9 ? new SFRotation(0, 0, 1, 0) : new SFRotation(q[0] / s, q[1] / s, q[2] / s, 2 * Math.acos(w));
    }
    multiply(r) {
        const a = this.quaternion(), b = r.quaternion();
        return SFRotation.fromQuaternion([
            a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1],
            a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0],
            a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3],
            a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2]]);
    }
    multVec(v) {
        const q = this.quaternion(), u = new SFVec3f(q[0], q[1], q[2]), w = q[3];
        return u.multiply(2 * u.dot(v)).add(v.multiply(w * w - u.dot(u))).add(u.cross(v).multiply(2 * w));
    }
    slerp(r, t) {
        const a = this.quaternion(), b = r.quaternion();
        let d = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
        const sign = d < 0 ? -1 : 1;
        d = Math.abs(d);
        const th = Math.acos(Math.min(1, d)), s = Math.sin(th);
        const ka = s < 1e-6 ? 1 - t : Math.sin((1 - t) * th) / s, kb = (s < 1e-6 ? t : Math.sin(t * th) / s) * sign;
        return SFRotation.fromQuaternion(a.map((v, i) => ka * v + kb * b[i]));
    }
    toString() { return this.x + " " + this.y + " " + this.z + " " + this.angle; }
}
class SFImage {
    constructor(width = 0, height = 0, comp = 0, array = []) {
        this.width = +width; this.height = +height; this.comp = +comp; this.array = Array.from(array, Number);
    }
    toString() { return [this.width, this.height, this.comp].concat(this.array).join(" "); }
}
function MFFloat(...v) { return v; }
function MFInt32(...v) { return v; }
function MFString(...v) { return v; }
function MFVec2f(...v) { return v; }
function MFVec3f(...v) { return v; }
function MFColor(...v) { return v; }
function MFRotation(...v) { return v; }
function MFNode(...v) { return v; }
function MFTime(...v) { return v; }
const Browser = {
    getName() { return "Moneko world client"; },
    getVersion() { return "1.0"; },
    getCurrentSpeed() { return __host.currentSpeed(); },
    getCurrentFrameRate() { return 30; },
    getWorldURL() { return __host.worldUrl(); },
    createVrmlFromString(text) { return __host.createVrmlFromString(String(text)); },
    addRoute(from, fromField, to, toField) { __host.route(from, fromField, to, toField, true); },
    deleteRoute(from, fromField, to, toField) { __host.route(from, fromField, to, toField, false); },
    print(...parts) { __host.print(parts.join(" ")); },
    println(...parts) { __host.print(parts.join(" ")); },
    setDescription(text) {},
    loadURL(url, parameter) { __host.loadUrl(url); },
    replaceWorld(nodes) { __host.replaceWorld(nodes); },
};
function print(...parts) { __host.print(parts.join(" ")); }
// A node a script holds (SFNode values, createVrmlFromString): its fields read and write
// through the host, so with directOutput a script can change the nodes it was given.
function __makeHandle(index, type) {
    const target = { __node: index, type: type };
    return new Proxy(target, {
        get(t, key) { return (key in t || typeof key !== "string") ? t[key] : __host.nodeGet(index, key); },
        set(t, key, value) { __host.nodeSet(index, key, value); return true; },
    });
}
const __global = this;
function __defineField(name) {
    Object.defineProperty(__global, name, {
        get() { return __host.get(name); },
        set(value) { __host.set(name, value); },
        configurable: true,
    });
}
// Classes and constants stay in this evaluation's own scope unless put on the global object
// (this, at the top level; the engine has no globalThis).
Object.assign(this, { SFVec2f, SFVec3f, SFColor, SFRotation, SFImage, Browser });
)js";
