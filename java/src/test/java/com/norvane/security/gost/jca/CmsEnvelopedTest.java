package com.norvane.security.gost.jca;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.norvane.security.gost.Openssl;
import java.math.BigInteger;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.InvalidKeyException;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.PrivateKey;
import java.security.Provider;
import java.security.cert.X509Certificate;
import java.security.spec.ECGenParameterSpec;
import java.util.Base64;
import java.util.Date;
import java.util.Random;
import org.bouncycastle.asn1.DEROctetString;
import org.bouncycastle.asn1.DERSet;
import org.bouncycastle.asn1.cms.ContentInfo;
import org.bouncycastle.asn1.cms.EnvelopedData;
import org.bouncycastle.asn1.cms.KeyTransRecipientInfo;
import org.bouncycastle.asn1.cms.RecipientInfo;
import org.bouncycastle.asn1.cryptopro.CryptoProObjectIdentifiers;
import org.bouncycastle.asn1.cryptopro.Gost2814789EncryptedKey;
import org.bouncycastle.asn1.cryptopro.GostR3410KeyTransport;
import org.bouncycastle.asn1.x500.X500Name;
import org.bouncycastle.cert.jcajce.JcaX509CertificateConverter;
import org.bouncycastle.cert.jcajce.JcaX509v3CertificateBuilder;
import org.bouncycastle.cms.CMSAlgorithm;
import org.bouncycastle.cms.CMSEnvelopedData;
import org.bouncycastle.cms.CMSEnvelopedDataGenerator;
import org.bouncycastle.cms.CMSException;
import org.bouncycastle.cms.CMSProcessableByteArray;
import org.bouncycastle.cms.KeyAgreeRecipientInformation;
import org.bouncycastle.cms.KeyTransRecipientInformation;
import org.bouncycastle.cms.Recipient;
import org.bouncycastle.cms.RecipientInformation;
import org.bouncycastle.cms.jcajce.JceCMSContentEncryptorBuilder;
import org.bouncycastle.cms.jcajce.JceKeyAgreeEnvelopedRecipient;
import org.bouncycastle.cms.jcajce.JceKeyAgreeRecipientInfoGenerator;
import org.bouncycastle.cms.jcajce.JceKeyTransEnvelopedRecipient;
import org.bouncycastle.cms.jcajce.JceKeyTransRecipientInfoGenerator;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.bouncycastle.operator.jcajce.JcaContentSignerBuilder;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * CMS EnvelopedData (RFC 4490) through this provider, exchanged with Bouncy Castle (bcpkix
 * in the same JVM) and with {@code openssl cms -engine gost}: the content enciphered with
 * GOST 28147-89 in GCFB (1.2.643.2.2.21) to a certificate with a GOST R 34.10-2001 key.
 *
 * <ul>
 * <li>Key transport (KeyTransRecipientInfo, RFC 4490 section 5: an ephemeral key, VKO and
 *     the CryptoPro key wrap): made here, opened by Bouncy Castle, OpenSSL and here; made by
 *     Bouncy Castle and by OpenSSL, opened here.</li>
 * <li>Key agreement (KeyAgreeRecipientInfo, agreement 1.2.643.2.2.96, CryptoPro key wrap):
 *     made here, opened by Bouncy Castle and here; made by Bouncy Castle, opened here. (The
 *     gost engine cannot open key agreement; Bouncy Castle opens it only with this agreement
 *     identifier.)</li>
 * </ul>
 *
 * Made here means Bouncy Castle's CMS code with this provider for every operation: the
 * content key, the content cipher and its parameters, the ephemeral key, the agreement and
 * the wrap.
 */
class CmsEnvelopedTest {
    private static final Provider BC = new BouncyCastleProvider();
    private static final Provider VANTIX = new VantixProvider();
    private final Random random = new Random(20261212);

    @TempDir
    Path dir;

    private byte[] bytes(int n) {
        byte[] b = new byte[n];
        random.nextBytes(b);
        return b;
    }

    private static KeyPair pair(Provider p, String curve) throws Exception {
        KeyPairGenerator g = KeyPairGenerator.getInstance("ECGOST3410", p);
        g.initialize(new ECGenParameterSpec(curve));
        return g.generateKeyPair();
    }

    /** A self-signed certificate for the key pair, signed through this provider. */
    private static X509Certificate certificate(KeyPair pair, String name) throws Exception {
        long now = System.currentTimeMillis();
        return new JcaX509CertificateConverter().setProvider(BC).getCertificate(new JcaX509v3CertificateBuilder(
            new X500Name("CN=" + name), BigInteger.valueOf(now), new Date(now - 60_000), new Date(now + 86_400_000L),
            new X500Name("CN=" + name), pair.getPublic())
            .build(new JcaContentSignerBuilder("GOST3411withECGOST3410").setProvider(VANTIX).build(pair.getPrivate())));
    }

    private static CMSEnvelopedData keyTransport(X509Certificate to, Provider p, byte[] content) throws Exception {
        CMSEnvelopedDataGenerator gen = new CMSEnvelopedDataGenerator();
        gen.addRecipientInfoGenerator(new JceKeyTransRecipientInfoGenerator(to).setProvider(p));
        return gen.generate(new CMSProcessableByteArray(content),
            new JceCMSContentEncryptorBuilder(CMSAlgorithm.GOST28147_GCFB).setProvider(p).build());
    }

    private CMSEnvelopedData keyAgreement(KeyPair sender, X509Certificate to, Provider p, byte[] content)
            throws Exception {
        CMSEnvelopedDataGenerator gen = new CMSEnvelopedDataGenerator();
        gen.addRecipientInfoGenerator(new JceKeyAgreeRecipientInfoGenerator(
            CryptoProObjectIdentifiers.gostR3410_2001_CryptoPro_ESDH, sender.getPrivate(), sender.getPublic(),
            CryptoProObjectIdentifiers.id_Gost28147_89_CryptoPro_KeyWrap).setUserKeyingMaterial(bytes(8))
            .addRecipient(to).setProvider(p));
        return gen.generate(new CMSProcessableByteArray(content),
            new JceCMSContentEncryptorBuilder(CMSAlgorithm.GOST28147_GCFB).setProvider(p).build());
    }

    /** The one recipient's content, opened with the private key through the provider. */
    private static byte[] open(byte[] der, PrivateKey key, Provider p) throws Exception {
        RecipientInformation ri = new CMSEnvelopedData(der).getRecipientInfos().getRecipients().iterator().next();
        Recipient r = ri instanceof KeyAgreeRecipientInformation
            ? new JceKeyAgreeEnvelopedRecipient(key).setProvider(p)
            : new JceKeyTransEnvelopedRecipient(key).setProvider(p);
        return ri.getContent(r);
    }

    private static void assertContentCipher(CMSEnvelopedData env, Class<?> recipientType) {
        assertEquals("1.2.643.2.2.21", env.getEncryptionAlgOID());
        assertEquals(recipientType, env.getRecipientInfos().getRecipients().iterator().next().getClass());
    }

    private Path pem(String type, byte[] der, String name) throws Exception {
        Path f = dir.resolve(name);
        Files.writeString(f, "-----BEGIN " + type + "-----\n"
            + Base64.getMimeEncoder(64, new byte[] {'\n'}).encodeToString(der) + "\n-----END " + type + "-----\n",
            StandardCharsets.US_ASCII);
        return f;
    }

    @Test
    void keyTransportBothWaysWithBouncyCastle() throws Exception {
        for (String curve : new String[] {"GostR3410-2001-CryptoPro-A", "GostR3410-2001-CryptoPro-XchA"}) {
            KeyPair recipient = pair(VANTIX, curve);
            X509Certificate cert = certificate(recipient, "recipient");
            for (int len : new int[] {1, 3000}) {
                byte[] content = bytes(len);
                CMSEnvelopedData here = keyTransport(cert, VANTIX, content);
                assertContentCipher(here, KeyTransRecipientInformation.class);
                assertArrayEquals(content, open(here.getEncoded(), recipient.getPrivate(), BC), curve + " " + len);
                assertArrayEquals(content, open(here.getEncoded(), recipient.getPrivate(), VANTIX));
                CMSEnvelopedData there = keyTransport(cert, BC, content);
                assertArrayEquals(content, open(there.getEncoded(), recipient.getPrivate(), VANTIX), curve + " " + len);
            }
        }
    }

    @Test
    void keyAgreementBothWaysWithBouncyCastle() throws Exception {
        String curve = "GostR3410-2001-CryptoPro-A";
        KeyPair recipient = pair(VANTIX, curve);
        X509Certificate cert = certificate(recipient, "recipient");
        byte[] content = bytes(3000);
        CMSEnvelopedData here = keyAgreement(pair(VANTIX, curve), cert, VANTIX, content);
        assertContentCipher(here, KeyAgreeRecipientInformation.class);
        assertArrayEquals(content, open(here.getEncoded(), recipient.getPrivate(), BC));
        assertArrayEquals(content, open(here.getEncoded(), recipient.getPrivate(), VANTIX));
        CMSEnvelopedData there = keyAgreement(pair(BC, curve), cert, BC, content);
        assertArrayEquals(content, open(there.getEncoded(), recipient.getPrivate(), VANTIX));
    }

    @Test
    void keyTransportBothWaysWithOpenssl() throws Exception {
        KeyPair recipient = pair(VANTIX, "GostR3410-2001-CryptoPro-A");
        X509Certificate cert = certificate(recipient, "recipient");
        Path certPem = pem("CERTIFICATE", cert.getEncoded(), "cert.pem");
        Path keyPem = pem("PRIVATE KEY", recipient.getPrivate().getEncoded(), "key.pem");
        byte[] content = bytes(3000);

        // Made here, opened by OpenSSL.
        Path made = dir.resolve("here.der");
        Files.write(made, keyTransport(cert, VANTIX, content).getEncoded());
        Path opened = dir.resolve("opened.bin");
        Openssl.run("cms", "-decrypt", "-engine", "gost", "-binary", "-inform", "DER", "-in", made.toString(),
            "-recip", certPem.toString(), "-inkey", keyPem.toString(), "-out", opened.toString());
        assertArrayEquals(content, Files.readAllBytes(opened));

        // Made by OpenSSL, opened here.
        Path plain = dir.resolve("plain.bin");
        Files.write(plain, content);
        Path theirs = dir.resolve("openssl.der");
        Openssl.run("cms", "-encrypt", "-engine", "gost", "-binary", "-gost89", "-in", plain.toString(),
            "-outform", "DER", "-out", theirs.toString(), certPem.toString());
        CMSEnvelopedData env = new CMSEnvelopedData(Files.readAllBytes(theirs));
        assertContentCipher(env, KeyTransRecipientInformation.class);
        assertArrayEquals(content, open(Files.readAllBytes(theirs), recipient.getPrivate(), VANTIX));

        // The same message with one bit of the wrapped key's MAC changed: refused, not opened.
        byte[] altered = alterWrappedKeyMac(Files.readAllBytes(theirs));
        CMSException e = assertThrows(CMSException.class, () -> open(altered, recipient.getPrivate(), VANTIX));
        Throwable cause = e;
        while (cause != null && !(cause instanceof InvalidKeyException)) {
            cause = cause.getCause();
        }
        assertNotNull(cause, "an InvalidKeyException from the unwrap: " + e);
        assertTrue(cause.getMessage().contains("MAC does not match"), cause.getMessage());
    }

    /** A key-transport message with the last bit of its GostR3410-KeyTransport MAC flipped. */
    private static byte[] alterWrappedKeyMac(byte[] der) throws Exception {
        ContentInfo ci = ContentInfo.getInstance(der);
        EnvelopedData ed = EnvelopedData.getInstance(ci.getContent());
        KeyTransRecipientInfo ktri = KeyTransRecipientInfo.getInstance(
            RecipientInfo.getInstance(ed.getRecipientInfos().getObjectAt(0)).getInfo());
        GostR3410KeyTransport kt = GostR3410KeyTransport.getInstance(ktri.getEncryptedKey().getOctets());
        Gost2814789EncryptedKey key = kt.getSessionEncryptedKey();
        byte[] mac = key.getMacKey().clone();
        mac[mac.length - 1] ^= 1;
        GostR3410KeyTransport changed = new GostR3410KeyTransport(
            new Gost2814789EncryptedKey(key.getEncryptedKey(), mac), kt.getTransportParameters());
        KeyTransRecipientInfo ri = new KeyTransRecipientInfo(ktri.getRecipientIdentifier(),
            ktri.getKeyEncryptionAlgorithm(), new DEROctetString(changed.getEncoded()));
        return new ContentInfo(ci.getContentType(), new EnvelopedData(ed.getOriginatorInfo(),
            new DERSet(new RecipientInfo(ri)), ed.getEncryptedContentInfo(), ed.getUnprotectedAttrs()))
            .getEncoded();
    }
}
